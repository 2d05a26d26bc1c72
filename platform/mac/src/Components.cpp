// The stand-in's component manager: registered components with their entries, and
// open instances with their storage. Every Audio Unit call a host makes is packed
// into the parameter block the platform passes on x86_64 (the instance in params[0],
// then the declared arguments in order, one 8-byte slot each) and sent to the entry.
// A component registered with a factory (as the system registers a bundle's
// "AudioComponents") is opened through its plug-in interface instead, and each call goes
// to the method the interface looks up for the selector, with the typed arguments.
#include "MacStandIn.h"

#include <cstring>
#include <mutex>
#include <vector>

struct ComponentRecord {
  uint32_t mMagic;
  ComponentDescription mDesc;
  ComponentRoutineUPP mEntry;
  AudioComponentFactoryFunction mFactory;
};
struct ComponentInstanceRecord {
  uint32_t mMagic;
  ComponentRecord* mComponent;
  Handle mStorage;
  AudioComponentPlugInInterface* mPlugIn; // of a factory's component; null otherwise
};

namespace {
constexpr uint32_t kComponentMagic = 0xC0C0C0DEu;
constexpr uint32_t kInstanceMagic = 0x1A57A1CEu;

ComponentRecord* AsComponent(const void* p) {
  const ComponentRecord* c = (const ComponentRecord*)p;
  if (c && c->mMagic == kComponentMagic) return (ComponentRecord*)c;
  const ComponentInstanceRecord* i = (const ComponentInstanceRecord*)p;
  if (i && i->mMagic == kInstanceMagic) return i->mComponent;
  return nullptr;
}
ComponentInstanceRecord* AsInstance(const void* p) {
  ComponentInstanceRecord* i = (ComponentInstanceRecord*)p;
  return i && i->mMagic == kInstanceMagic ? i : nullptr;
}

// One slot: a pointer or an integer widened, a float in the low-order bytes.
struct Slot {
  long mValue = 0;
  Slot() = default;
  template <class T> Slot(T* p) : mValue((long)p) {}
  Slot(UInt32 v) : mValue((long)v) {}
  Slot(SInt32 v) : mValue((long)(UInt32)v) {}
  Slot(Float32 v) { std::memcpy(&mValue, &v, sizeof(v)); }
};

ComponentResult Call(ComponentInstance ci, SInt16 what, std::initializer_list<Slot> args) {
  ComponentInstanceRecord* instance = AsInstance(ci);
  if (!instance) return badComponentInstance;
  // Header (8 bytes), then params[0..n]; no selector has more than seven arguments.
  long storage[2 + 8] = {};
  if (args.size() > 8) return paramErr;
  ComponentParameters* cp = (ComponentParameters*)storage;
  cp->flags = 0;
  cp->paramSize = (UInt8)(args.size() * sizeof(long));
  cp->what = what;
  cp->params[0] = (long)ci;
  long* params = cp->params;
  size_t k = 1;
  for (const Slot& s : args)
    params[k++] = s.mValue;
  return instance->mComponent->mEntry(cp, instance->mStorage);
}

// A host call: to the plug-in interface's method for the selector (none: the selector is
// not handled), or through the component entry.
template <class... A> ComponentResult Route(ComponentInstance ci, SInt16 what, A... args) {
  ComponentInstanceRecord* instance = AsInstance(ci);
  if (!instance) return badComponentInstance;
  if (AudioComponentPlugInInterface* plugIn = instance->mPlugIn) {
    typedef OSStatus (*Method)(void*, A...);
    AudioComponentMethod method = plugIn->Lookup(what);
    if (!method) return badComponentSelector;
    return ((Method)(void (*)(void))method)(plugIn, args...);
  }
  return Call(ci, what, {Slot(args)...});
}
} // namespace

// ---- Component manager ------------------------------------------------------------------------

Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance) {
  ComponentInstanceRecord* i = AsInstance(aComponentInstance);
  return i ? i->mStorage : nullptr;
}

void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage) {
  if (ComponentInstanceRecord* i = AsInstance(aComponentInstance)) i->mStorage = theStorage;
}

OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle, Handle, Handle) {
  ComponentRecord* c = AsComponent(aComponent);
  if (!c) return invalidComponentID;
  if (cd) *cd = c->mDesc;
  return noErr;
}

Component RegisterComponent(ComponentDescription* cd, ComponentRoutineUPP entry, SInt16, Handle,
                            Handle, Handle) {
  if (!cd || !entry) return nullptr;
  return new ComponentRecord{kComponentMagic, *cd, entry, nullptr};
}

OSErr UnregisterComponent(Component aComponent) {
  ComponentRecord* c = AsComponent(aComponent);
  if (!c || c != (ComponentRecord*)aComponent) return invalidComponentID;
  c->mMagic = 0;
  delete c;
  return noErr;
}

OSErr OpenAComponent(Component aComponent, ComponentInstance* ci) {
  if (ci) *ci = nullptr;
  ComponentRecord* c = AsComponent(aComponent);
  if (!c || !ci) return paramErr;
  if (!c->mEntry) return paramErr; // a factory's component opens with AudioComponentInstanceNew
  ComponentInstanceRecord* instance =
      new ComponentInstanceRecord{kInstanceMagic, c, nullptr, nullptr};
  const ComponentResult result =
      Call((ComponentInstance)instance, kComponentOpenSelect, {Slot(instance)});
  if (result != noErr) {
    instance->mMagic = 0;
    delete instance;
    return (OSErr)result;
  }
  *ci = (ComponentInstance)instance;
  return noErr;
}

OSErr CloseComponent(ComponentInstance aComponentInstance) {
  ComponentInstanceRecord* instance = AsInstance(aComponentInstance);
  if (!instance || instance->mPlugIn) return (OSErr)badComponentInstance;
  const ComponentResult result = Call(aComponentInstance, kComponentCloseSelect, {Slot(instance)});
  instance->mMagic = 0;
  delete instance;
  return (OSErr)result;
}

// ---- Audio components registered by a factory -------------------------------------------------

AudioComponent AudioComponentRegister(const AudioComponentDescription* inDesc, CFStringRef, UInt32,
                                      AudioComponentFactoryFunction inFactory) {
  if (!inDesc || !inFactory) return nullptr;
  ComponentDescription desc;
  std::memcpy(&desc, inDesc, sizeof(desc));
  return (AudioComponent) new ComponentRecord{kComponentMagic, desc, nullptr, inFactory};
}

OSStatus AudioComponentInstanceNew(AudioComponent inComponent,
                                   AudioComponentInstance* outInstance) {
  if (outInstance) *outInstance = nullptr;
  ComponentRecord* c = AsComponent(inComponent);
  if (!c || !c->mFactory || !outInstance) return paramErr;
  // The factory receives the registered description, as the system passes it.
  AudioComponentDescription desc;
  std::memcpy(&desc, &c->mDesc, sizeof(desc));
  AudioComponentPlugInInterface* plugIn = c->mFactory(&desc);
  if (!plugIn || !plugIn->Open || !plugIn->Close || !plugIn->Lookup) return kAudio_MemFullError;
  ComponentInstanceRecord* instance =
      new ComponentInstanceRecord{kInstanceMagic, c, nullptr, plugIn};
  const OSStatus result = plugIn->Open(plugIn, (AudioComponentInstance)instance);
  if (result != noErr) {
    plugIn->Close(plugIn);
    instance->mMagic = 0;
    delete instance;
    return result;
  }
  *outInstance = (AudioComponentInstance)instance;
  return noErr;
}

OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance) {
  ComponentInstanceRecord* instance = AsInstance(inInstance);
  if (!instance || !instance->mPlugIn) return badComponentInstance;
  const OSStatus result = instance->mPlugIn->Close(instance->mPlugIn);
  instance->mMagic = 0;
  delete instance;
  return result;
}

// ---- Audio Unit calls -------------------------------------------------------------------------

OSStatus AudioUnitInitialize(AudioUnit inUnit) { return Route(inUnit, kAudioUnitInitializeSelect); }

OSStatus AudioUnitUninitialize(AudioUnit inUnit) {
  return Route(inUnit, kAudioUnitUninitializeSelect);
}

OSStatus AudioUnitGetPropertyInfo(AudioUnit inUnit, AudioUnitPropertyID inID,
                                  AudioUnitScope inScope, AudioUnitElement inElement,
                                  UInt32* outDataSize, Boolean* outWritable) {
  return Route(inUnit, kAudioUnitGetPropertyInfoSelect, inID, inScope, inElement, outDataSize,
               outWritable);
}

OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, void* outData, UInt32* ioDataSize) {
  return Route(inUnit, kAudioUnitGetPropertySelect, inID, inScope, inElement, outData, ioDataSize);
}

OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, const void* inData, UInt32 inDataSize) {
  return Route(inUnit, kAudioUnitSetPropertySelect, inID, inScope, inElement, inData, inDataSize);
}

OSStatus AudioUnitGetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue* outValue) {
  return Route(inUnit, kAudioUnitGetParameterSelect, inID, inScope, inElement, outValue);
}

OSStatus AudioUnitSetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue inValue,
                               UInt32 inBufferOffsetInFrames) {
  return Route(inUnit, kAudioUnitSetParameterSelect, inID, inScope, inElement, inValue,
               inBufferOffsetInFrames);
}

OSStatus AudioUnitReset(AudioUnit inUnit, AudioUnitScope inScope, AudioUnitElement inElement) {
  return Route(inUnit, kAudioUnitResetSelect, inScope, inElement);
}

OSStatus AudioUnitAddPropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                      AudioUnitPropertyListenerProc inProc, void* inProcUserData) {
  return Route(inUnit, kAudioUnitAddPropertyListenerSelect, inID, (void*)inProc, inProcUserData);
}

OSStatus AudioUnitRemovePropertyListenerWithUserData(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                     AudioUnitPropertyListenerProc inProc,
                                                     void* inProcUserData) {
  return Route(inUnit, kAudioUnitRemovePropertyListenerWithUserDataSelect, inID, (void*)inProc,
               inProcUserData);
}

OSStatus AudioUnitAddRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData) {
  return Route(inUnit, kAudioUnitAddRenderNotifySelect, (void*)inProc, inProcUserData);
}

OSStatus AudioUnitRemoveRenderNotify(AudioUnit inUnit, AURenderCallback inProc,
                                     void* inProcUserData) {
  return Route(inUnit, kAudioUnitRemoveRenderNotifySelect, (void*)inProc, inProcUserData);
}

OSStatus AudioUnitRender(AudioUnit inUnit, AudioUnitRenderActionFlags* ioActionFlags,
                         const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                         UInt32 inNumberFrames, AudioBufferList* ioData) {
  return Route(inUnit, kAudioUnitRenderSelect, ioActionFlags, inTimeStamp, inOutputBusNumber,
               inNumberFrames, ioData);
}

OSStatus AudioUnitScheduleParameters(AudioUnit inUnit, const AudioUnitParameterEvent* inEvents,
                                     UInt32 inNumParamEvents) {
  return Route(inUnit, kAudioUnitScheduleParametersSelect, inEvents, inNumParamEvents);
}

// ---- AudioToolbox -----------------------------------------------------------------------------

namespace {
constexpr size_t kKeptEvents = 1 << 16;

std::mutex& EventMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::vector<AudioUnitEvent>& Events() {
  static auto* e = new std::vector<AudioUnitEvent>;
  return *e;
}
} // namespace

OSStatus AUEventListenerNotify(AUEventListenerRef, void*, const AudioUnitEvent* inEvent) {
  if (!inEvent) return paramErr;
  std::lock_guard<std::mutex> lock(EventMutex());
  // A long run (a fuzzer's) keeps the most recent events only.
  if (Events().size() >= kKeptEvents)
    Events().erase(Events().begin(), Events().begin() + kKeptEvents / 2);
  Events().push_back(*inEvent);
  return noErr;
}

long CorvanelMac_EventCount(void) {
  std::lock_guard<std::mutex> lock(EventMutex());
  return (long)Events().size();
}

Boolean CorvanelMac_EventAt(long index, AudioUnitEvent* outEvent) {
  std::lock_guard<std::mutex> lock(EventMutex());
  if (index < 0 || index >= (long)Events().size() || !outEvent) return false;
  *outEvent = Events()[(size_t)index];
  return true;
}

void CorvanelMac_ClearEvents(void) {
  std::lock_guard<std::mutex> lock(EventMutex());
  Events().clear();
}
