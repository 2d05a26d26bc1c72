// The stand-in's component manager: registered components with their entries, and
// open instances with their storage. Every Audio Unit call a host makes is packed
// into the parameter block the platform passes on x86_64 (the instance in params[0],
// then the declared arguments in order, one 8-byte slot each) and sent to the entry.
#include "MacStandIn.h"

#include <cstring>
#include <mutex>
#include <vector>

struct ComponentRecord {
  uint32_t mMagic;
  ComponentDescription mDesc;
  ComponentRoutineUPP mEntry;
};
struct ComponentInstanceRecord {
  uint32_t mMagic;
  ComponentRecord* mComponent;
  Handle mStorage;
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
  return new ComponentRecord{kComponentMagic, *cd, entry};
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
  ComponentInstanceRecord* instance = new ComponentInstanceRecord{kInstanceMagic, c, nullptr};
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
  if (!instance) return (OSErr)badComponentInstance;
  const ComponentResult result = Call(aComponentInstance, kComponentCloseSelect, {Slot(instance)});
  instance->mMagic = 0;
  delete instance;
  return (OSErr)result;
}

// ---- Audio Unit calls -------------------------------------------------------------------------

OSStatus AudioUnitInitialize(AudioUnit inUnit) {
  return Call(inUnit, kAudioUnitInitializeSelect, {});
}

OSStatus AudioUnitUninitialize(AudioUnit inUnit) {
  return Call(inUnit, kAudioUnitUninitializeSelect, {});
}

OSStatus AudioUnitGetPropertyInfo(AudioUnit inUnit, AudioUnitPropertyID inID,
                                  AudioUnitScope inScope, AudioUnitElement inElement,
                                  UInt32* outDataSize, Boolean* outWritable) {
  return Call(inUnit, kAudioUnitGetPropertyInfoSelect,
              {Slot(inID), Slot(inScope), Slot(inElement), Slot(outDataSize), Slot(outWritable)});
}

OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, void* outData, UInt32* ioDataSize) {
  return Call(inUnit, kAudioUnitGetPropertySelect,
              {Slot(inID), Slot(inScope), Slot(inElement), Slot(outData), Slot(ioDataSize)});
}

OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, const void* inData, UInt32 inDataSize) {
  return Call(inUnit, kAudioUnitSetPropertySelect,
              {Slot(inID), Slot(inScope), Slot(inElement), Slot(inData), Slot(inDataSize)});
}

OSStatus AudioUnitGetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue* outValue) {
  return Call(inUnit, kAudioUnitGetParameterSelect,
              {Slot(inID), Slot(inScope), Slot(inElement), Slot(outValue)});
}

OSStatus AudioUnitSetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue inValue,
                               UInt32 inBufferOffsetInFrames) {
  return Call(
      inUnit, kAudioUnitSetParameterSelect,
      {Slot(inID), Slot(inScope), Slot(inElement), Slot(inValue), Slot(inBufferOffsetInFrames)});
}

OSStatus AudioUnitReset(AudioUnit inUnit, AudioUnitScope inScope, AudioUnitElement inElement) {
  return Call(inUnit, kAudioUnitResetSelect, {Slot(inScope), Slot(inElement)});
}

OSStatus AudioUnitAddPropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                      AudioUnitPropertyListenerProc inProc, void* inProcUserData) {
  return Call(inUnit, kAudioUnitAddPropertyListenerSelect,
              {Slot(inID), Slot((void*)inProc), Slot(inProcUserData)});
}

OSStatus AudioUnitRemovePropertyListenerWithUserData(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                     AudioUnitPropertyListenerProc inProc,
                                                     void* inProcUserData) {
  return Call(inUnit, kAudioUnitRemovePropertyListenerWithUserDataSelect,
              {Slot(inID), Slot((void*)inProc), Slot(inProcUserData)});
}

OSStatus AudioUnitAddRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData) {
  return Call(inUnit, kAudioUnitAddRenderNotifySelect, {Slot((void*)inProc), Slot(inProcUserData)});
}

OSStatus AudioUnitRemoveRenderNotify(AudioUnit inUnit, AURenderCallback inProc,
                                     void* inProcUserData) {
  return Call(inUnit, kAudioUnitRemoveRenderNotifySelect,
              {Slot((void*)inProc), Slot(inProcUserData)});
}

OSStatus AudioUnitRender(AudioUnit inUnit, AudioUnitRenderActionFlags* ioActionFlags,
                         const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                         UInt32 inNumberFrames, AudioBufferList* ioData) {
  return Call(inUnit, kAudioUnitRenderSelect,
              {Slot(ioActionFlags), Slot(inTimeStamp), Slot(inOutputBusNumber),
               Slot(inNumberFrames), Slot(ioData)});
}

OSStatus AudioUnitScheduleParameters(AudioUnit inUnit, const AudioUnitParameterEvent* inEvents,
                                     UInt32 inNumParamEvents) {
  return Call(inUnit, kAudioUnitScheduleParametersSelect, {Slot(inEvents), Slot(inNumParamEvents)});
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
