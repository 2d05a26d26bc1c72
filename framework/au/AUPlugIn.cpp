// The Audio Unit as the system opens it from macOS 10.7 on: the bundle's Info.plist names
// a factory, the factory makes one plug-in interface per instance, and every host call
// reaches the method the interface's Lookup answers for its selector, with the interface
// as `self` and the selector's arguments typed. Each method packs its arguments into the
// slots the component entry reads and dispatches exactly as the entry does, so both ways
// in behave alike; render and the parameter calls are the directly dispatched procedures.
#include "IPlugAU.h"

#include <cstring>
#include <new>

// One instance's interface: the system reads the first member only.
struct AUPlugInInstance {
  AudioComponentPlugInInterface mInterface;
  IPlugAU::CreateInstanceProc mCreate;
  const char* mBundleID;
  const char* mViewClassName;
  IPlugAU* mPlug = nullptr;

  static AUPlugInInstance* Self(void* self) { return (AUPlugInInstance*)self; }
  static IPlugAU* Plug(void* self) { return self ? Self(self)->mPlug : nullptr; }

  // [host's main thread]
  static OSStatus Open(void* self, AudioComponentInstance ci) {
    AUPlugInInstance* instance = Self(self);
    if (!instance || instance->mPlug) return kAudioUnitErr_FailedInitialization;
    instance->mPlug = IPlugAU::OpenInstance(ci, true, instance->mCreate, instance->mBundleID,
                                            instance->mViewClassName);
    return instance->mPlug ? (OSStatus)noErr : (OSStatus)kAudioUnitErr_FailedInitialization;
  }
  // [host's main thread] Also after a failed open: the interface is freed either way.
  static OSStatus Close(void* self) {
    AUPlugInInstance* instance = Self(self);
    if (!instance) return badComponentInstance;
    IPlugAU::CloseInstance(instance->mPlug);
    delete instance;
    return noErr;
  }

  // A value in the low-order bytes of its 8-byte slot, as on x86_64.
  template <class T> static long Slot(T value) {
    static_assert(sizeof(T) <= sizeof(long), "one slot per argument");
    long slot = 0;
    std::memcpy(&slot, &value, sizeof(T));
    return slot;
  }
  // [the thread of the selector; takes the instance mutex] A selector's method.
  template <SInt16 What, class... A> static OSStatus Method(void* self, A... args) {
    const long slots[] = {0, Slot(args)...};
    return IPlugAU::Call(Plug(self), What, slots);
  }
  // [render thread] The directly dispatched procedures, reached through the interface.
  static OSStatus Render(void* self, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts,
                         UInt32 bus, UInt32 frames, AudioBufferList* list) {
    return IPlugAU::DirectRender(Plug(self), flags, ts, bus, frames, list);
  }
  static OSStatus GetParameter(void* self, AudioUnitParameterID id, AudioUnitScope scope,
                               AudioUnitElement element, AudioUnitParameterValue* value) {
    return IPlugAU::DirectGetParameter(Plug(self), id, scope, element, value);
  }
  static OSStatus SetParameter(void* self, AudioUnitParameterID id, AudioUnitScope scope,
                               AudioUnitElement element, AudioUnitParameterValue value,
                               UInt32 offset) {
    return IPlugAU::DirectSetParameter(Plug(self), id, scope, element, value, offset);
  }

  template <class F> static AudioComponentMethod As(F method) {
    return (AudioComponentMethod)(void (*)(void))method;
  }
  // [any thread] The method of each selector the unit handles; null for the others.
  static AudioComponentMethod Lookup(SInt16 selector) {
    typedef AudioUnitPropertyID P;
    typedef AudioUnitScope S;
    typedef AudioUnitElement E;
    switch (selector) {
    case kAudioUnitInitializeSelect:
      return As(Method<kAudioUnitInitializeSelect>);
    case kAudioUnitUninitializeSelect:
      return As(Method<kAudioUnitUninitializeSelect>);
    case kAudioUnitGetPropertyInfoSelect:
      return As(Method<kAudioUnitGetPropertyInfoSelect, P, S, E, UInt32*, Boolean*>);
    case kAudioUnitGetPropertySelect:
      return As(Method<kAudioUnitGetPropertySelect, P, S, E, void*, UInt32*>);
    case kAudioUnitSetPropertySelect:
      return As(Method<kAudioUnitSetPropertySelect, P, S, E, const void*, UInt32>);
    case kAudioUnitGetParameterSelect:
      return As(GetParameter);
    case kAudioUnitSetParameterSelect:
      return As(SetParameter);
    case kAudioUnitResetSelect:
      return As(Method<kAudioUnitResetSelect, S, E>);
    case kAudioUnitAddPropertyListenerSelect:
      return As(
          Method<kAudioUnitAddPropertyListenerSelect, P, AudioUnitPropertyListenerProc, void*>);
    case kAudioUnitRemovePropertyListenerSelect:
      return As(Method<kAudioUnitRemovePropertyListenerSelect, P, AudioUnitPropertyListenerProc>);
    case kAudioUnitRemovePropertyListenerWithUserDataSelect:
      return As(Method<kAudioUnitRemovePropertyListenerWithUserDataSelect, P,
                       AudioUnitPropertyListenerProc, void*>);
    case kAudioUnitRenderSelect:
      return As(Render);
    case kAudioUnitAddRenderNotifySelect:
      return As(Method<kAudioUnitAddRenderNotifySelect, AURenderCallback, void*>);
    case kAudioUnitRemoveRenderNotifySelect:
      return As(Method<kAudioUnitRemoveRenderNotifySelect, AURenderCallback, void*>);
    case kAudioUnitScheduleParametersSelect:
      return As(Method<kAudioUnitScheduleParametersSelect, const AudioUnitParameterEvent*, UInt32>);
    default:
      return nullptr;
    }
  }
};

AudioComponentPlugInInterface* IPlugAU::PlugInFactory(const AudioComponentDescription*,
                                                      CreateInstanceProc create,
                                                      const char* bundleID,
                                                      const char* viewClassName) {
  if (!create) return nullptr;
  AUPlugInInstance* instance = new (std::nothrow) AUPlugInInstance;
  if (!instance) return nullptr;
  instance->mInterface.Open = AUPlugInInstance::Open;
  instance->mInterface.Close = AUPlugInInstance::Close;
  instance->mInterface.Lookup = AUPlugInInstance::Lookup;
  instance->mInterface.reserved = nullptr;
  instance->mCreate = create;
  instance->mBundleID = bundleID;
  instance->mViewClassName = viewClassName;
  return &instance->mInterface;
}
