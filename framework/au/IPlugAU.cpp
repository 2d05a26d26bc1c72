// The Audio Unit adapter's construction, component entries, selector dispatch,
// parameter access and host-facing operations. Properties, render and the class-info
// dictionary have files of their own.
#include "IPlugAU.h"

#include "IGraphics.h"
#include "ProcessorClock.h"

#include <cmath>
#include <cstring>
#include <ctime>

namespace {
// The declared arguments of a selector sit in params[1..n] on x86_64, one 8-byte slot
// each; a narrower value is in the slot's low-order bytes.
template <class T> T ArgPtr(const long* args, int i) { return (T)args[i]; }
UInt32 ArgU32(const long* args, int i) {
  UInt32 v;
  std::memcpy(&v, &args[i], sizeof(v));
  return v;
}
SInt16 ArgS16(const long* args, int i) {
  SInt16 v;
  std::memcpy(&v, &args[i], sizeof(v));
  return v;
}
Float32 ArgF32(const long* args, int i) {
  Float32 v;
  std::memcpy(&v, &args[i], sizeof(v));
  return v;
}

IPlugAU* Instance(void* storage) { return (IPlugAU*)storage; }

// The record the window-based view component keeps per view instance.
struct ViewRecord {
  ComponentInstance mViewCI;
  IPlugBase* mPlug;
};
} // namespace

IPlugAU::IPlugAU(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr,
                 int nPresets, const char* effectName, const char* productName, const char* mfrName,
                 int vendorVersion, int uniqueID, int mfrID, int latency, int doesMidi,
                 bool doesChunks, bool isInstrument)
    : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                uniqueID, mfrID, latency, doesMidi, doesChunks, isInstrument),
      mBundleID(instanceInfo.mBundleID), mViewClassName(instanceInfo.mViewClassName) {
  std::memset(&mHostCallbacks, 0, sizeof(mHostCallbacks));
  // One bus per pair of channels; an odd last channel makes a bus of its own.
  for (int ch = 0; ch < NInChannels(); ch += 2) {
    BusChannels* bus = mInBuses.Add(new BusChannels);
    bus->mNPlugChannels = NInChannels() - ch < 2 ? NInChannels() - ch : 2;
    bus->mPlugChannelStartIdx = ch;
    mInBusConnections.Add(new InputBusConnection);
  }
  for (int ch = 0; ch < NOutChannels(); ch += 2) {
    BusChannels* bus = mOutBuses.Add(new BusChannels);
    bus->mNPlugChannels = NOutChannels() - ch < 2 ? NOutChannels() - ch : 2;
    bus->mPlugChannelStartIdx = ch;
  }
  // A pull hands the upstream unit a list of at most one bus's channels (two).
  mPullList.Resize((int)(sizeof(AudioBufferList) + sizeof(AudioBuffer)));
  AssessInputConnections();
  SetBlockSize(1024);
}

IPlugAU::~IPlugAU() {}

// ---- Component entries ------------------------------------------------------------------------

IPlugAU* IPlugAU::OpenInstance(ComponentInstance ci, bool openedByFactory,
                               CreateInstanceProc create, const char* bundleID,
                               const char* viewClassName) {
  // Created on first use, destroyed when the library is unloaded.
  static WDL_Mutex sCreationLock;
  WDL_MutexLock lock(&sCreationLock);
  if (!ci || !create) return nullptr;
  IPlugInstanceInfo info;
  info.mBundleID.Set(bundleID ? bundleID : "");
  info.mViewClassName.Set(viewClassName ? viewClassName : "");
  IPlugAU* plug = create(info);
  if (!plug) return nullptr;
  plug->mCI = ci;
  plug->mOpenedByFactory = openedByFactory;
  // The constructor has defined every parameter and changed none yet.
  plug->mParamDefaults.Resize(plug->NParams());
  for (int i = 0; i < plug->NParams(); ++i)
    plug->mParamDefaults.Get()[i] = plug->GetParam(i)->mValue;
  plug->InitForHost();
  plug->RemoveEmptyPresets();
  return plug;
}

void IPlugAU::CloseInstance(IPlugAU* plug) {
  if (!plug) return;
  plug->ClearConnections();
  delete plug;
}

ComponentResult IPlugAU::Call(void* storage, SInt16 what, const long* args) {
  IPlugAU* plug = Instance(storage);
  if (!plug) return badComponentInstance;
  WDL_MutexLock lock(&plug->mMutex);
  return plug->Dispatch(what, args);
}

ComponentResult IPlugAU::ComponentEntry(ComponentParameters* params, void* storage,
                                        CreateInstanceProc create, const char* bundleID,
                                        const char* viewClassName) {
  if (!params) return badComponentSelector;
  const SInt16 what = params->what;
  const long* args = params->params;

  if (what == kComponentOpenSelect) {
    ComponentInstance ci = ArgPtr<ComponentInstance>(args, 0);
    IPlugAU* plug = OpenInstance(ci, false, create, bundleID, viewClassName);
    if (!plug) return badComponentSelector;
    SetComponentInstanceStorage(ci, (Handle)plug);
    return noErr;
  }
  if (what == kComponentCloseSelect) {
    if (!storage) return badComponentInstance;
    CloseInstance(Instance(storage));
    return noErr;
  }
  return Call(storage, what, args);
}

ComponentResult IPlugAU::ViewEntry(ComponentParameters* params, void* storage) {
  if (!params) return badComponentSelector;
  const long* args = params->params;
  switch (params->what) {
  case kComponentOpenSelect: {
    ComponentInstance ci = ArgPtr<ComponentInstance>(args, 0);
    if (!ci) return badComponentSelector;
    SetComponentInstanceStorage(ci, (Handle) new ViewRecord{ci, nullptr});
    return noErr;
  }
  case kComponentCloseSelect:
    // The editor would close its window-based view here; ours has none yet.
    delete (ViewRecord*)storage;
    return noErr;
  case kAudioUnitCarbonViewCreateSelect: {
    ViewRecord* view = (ViewRecord*)storage;
    AudioUnit editedUnit = ArgPtr<AudioUnit>(args, 1);
    if (!view || !editedUnit) return badComponentSelector;
    view->mPlug = (IPlugBase*)GetComponentInstanceStorage(editedUnit);
    // The editor does not offer a window-based view yet: no control is created.
    return badComponentSelector;
  }
  default:
    return badComponentSelector;
  }
}

ComponentResult IPlugAU::Dispatch(SInt16 what, const long* args) {
  switch (what) {
  case kComponentVersionSelect:
    return GetEffectVersion(false);
  case kComponentCanDoSelect: {
    // Every selector Dispatch and the entry handle, the component manager's own included.
    const SInt16 asked = ArgS16(args, 1);
    return (asked >= kComponentVersionSelect && asked <= kComponentOpenSelect) ||
                   (asked >= kAudioUnitInitializeSelect && asked <= kAudioUnitSetParameterSelect) ||
                   (asked >= kAudioUnitResetSelect &&
                    asked <= kAudioUnitRemovePropertyListenerSelect) ||
                   (asked >= kAudioUnitRenderSelect &&
                    asked <= kAudioUnitRemovePropertyListenerWithUserDataSelect)
               ? 1
               : 0;
  }
  case kAudioUnitInitializeSelect:
    if (!CheckLegalIO()) return kAudioUnitErr_FormatNotSupported;
    mActive = true;
    NotifyAllParams();
    SetActive(true);
    return noErr;
  case kAudioUnitUninitializeSelect:
    mActive = false;
    SetActive(false);
    return noErr;
  case kAudioUnitGetPropertyInfoSelect: {
    UInt32 size = 0;
    Boolean writable = false;
    const ComponentResult r =
        GetProperty(ArgU32(args, 1), ArgU32(args, 2), ArgU32(args, 3), &size, &writable, nullptr);
    if (UInt32* outSize = ArgPtr<UInt32*>(args, 4)) *outSize = size;
    if (Boolean* outWritable = ArgPtr<Boolean*>(args, 5)) *outWritable = writable;
    return r;
  }
  case kAudioUnitGetPropertySelect: {
    const AudioUnitPropertyID propID = ArgU32(args, 1);
    const AudioUnitScope scope = ArgU32(args, 2);
    const AudioUnitElement element = ArgU32(args, 3);
    void* data = ArgPtr<void*>(args, 4);
    UInt32* ioSize = ArgPtr<UInt32*>(args, 5);
    UInt32 size = 0;
    Boolean writable = false;
    ComponentResult r = GetProperty(propID, scope, element, &size, &writable, nullptr);
    if (r != noErr) return r;
    if (!data) {
      if (ioSize) *ioSize = size;
      return noErr;
    }
    // The value is written only into a buffer the host says is large enough.
    if (!ioSize || *ioSize < size) return kAudioUnitErr_InvalidPropertyValue;
    r = GetProperty(propID, scope, element, &size, &writable, data);
    if (r == noErr) *ioSize = size;
    return r;
  }
  case kAudioUnitSetPropertySelect:
    return SetProperty(ArgU32(args, 1), ArgU32(args, 2), ArgU32(args, 3),
                       ArgPtr<const void*>(args, 4), ArgU32(args, 5));
  case kAudioUnitGetParameterSelect:
    return GetParamValue(ArgU32(args, 1), ArgU32(args, 2),
                         ArgPtr<AudioUnitParameterValue*>(args, 4));
  case kAudioUnitSetParameterSelect:
    return SetParamValue(ArgU32(args, 1), ArgU32(args, 2), ArgF32(args, 4));
  case kAudioUnitResetSelect:
    Reset();
    return noErr;
  case kAudioUnitAddPropertyListenerSelect: {
    // A listener is the (property, procedure, user data) triple; adding one twice keeps one.
    PropertyListener listener = {ArgU32(args, 1), ArgPtr<AudioUnitPropertyListenerProc>(args, 2),
                                 ArgPtr<void*>(args, 3)};
    if (!listener.mListenerProc) return kAudioUnitErr_InvalidPropertyValue;
    for (int i = 0; i < mPropertyListeners.GetSize(); ++i) {
      const PropertyListener* l = mPropertyListeners.Get(i);
      if (l->mPropID == listener.mPropID && l->mListenerProc == listener.mListenerProc &&
          l->mProcArgs == listener.mProcArgs)
        return noErr;
    }
    mPropertyListeners.Add(new PropertyListener(listener));
    return noErr;
  }
  case kAudioUnitRemovePropertyListenerSelect:
  case kAudioUnitRemovePropertyListenerWithUserDataSelect: {
    // Without user data every listener of the procedure on the property goes.
    const AudioUnitPropertyID propID = ArgU32(args, 1);
    AudioUnitPropertyListenerProc proc = ArgPtr<AudioUnitPropertyListenerProc>(args, 2);
    const bool matchUserData = what == kAudioUnitRemovePropertyListenerWithUserDataSelect;
    void* userData = matchUserData ? ArgPtr<void*>(args, 3) : nullptr;
    for (int i = mPropertyListeners.GetSize() - 1; i >= 0; --i) {
      const PropertyListener* l = mPropertyListeners.Get(i);
      if (l->mPropID == propID && l->mListenerProc == proc &&
          (!matchUserData || l->mProcArgs == userData))
        mPropertyListeners.Delete(i, true);
    }
    return noErr;
  }
  case kAudioUnitRenderSelect:
    return Render(ArgPtr<AudioUnitRenderActionFlags*>(args, 1),
                  ArgPtr<const AudioTimeStamp*>(args, 2), ArgU32(args, 3), ArgU32(args, 4),
                  ArgPtr<AudioBufferList*>(args, 5));
  case kAudioUnitAddRenderNotifySelect: {
    RenderNotify notify = {ArgPtr<AURenderCallback>(args, 1), ArgPtr<void*>(args, 2)};
    if (!notify.mProc) return kAudioUnitErr_InvalidPropertyValue;
    mRenderNotify.Add(new RenderNotify(notify));
    return noErr;
  }
  case kAudioUnitRemoveRenderNotifySelect: {
    // The pair given goes, and only it: the same procedure may listen with other user data.
    AURenderCallback proc = ArgPtr<AURenderCallback>(args, 1);
    void* refCon = ArgPtr<void*>(args, 2);
    for (int i = 0; i < mRenderNotify.GetSize(); ++i)
      if (mRenderNotify.Get(i)->mProc == proc && mRenderNotify.Get(i)->mRefCon == refCon) {
        mRenderNotify.Delete(i);
        break;
      }
    return noErr;
  }
  case kAudioUnitScheduleParametersSelect:
    return ScheduleParameters(ArgPtr<const AudioUnitParameterEvent*>(args, 1), ArgU32(args, 2));
  case kMusicDeviceMIDIEventSelect: {
    if (mDoesMidi != 1 && mDoesMidi != 2) return badComponentSelector;
    IMidiMsg msg;
    msg.mOffset = (int)ArgU32(args, 4);
    msg.mStatus = (unsigned char)ArgU32(args, 1);
    msg.mData1 = (unsigned char)ArgU32(args, 2);
    msg.mData2 = (unsigned char)ArgU32(args, 3);
    HandleMidi(&msg);
    return noErr;
  }
  case kMusicDeviceSysExSelect: {
    if (mDoesMidi != 1 && mDoesMidi != 2) return badComponentSelector;
    const UInt8* data = ArgPtr<const UInt8*>(args, 1);
    const UInt32 length = ArgU32(args, 2);
    if ((!data && length > 0) || length > 0x7FFFFFFFu) return kAudioUnitErr_InvalidPropertyValue;
    ISysEx msg;
    msg.mOffset = 0;
    msg.mData = data;
    msg.mSize = (int)length;
    HandleSysEx(&msg);
    return noErr;
  }
  case kMusicDevicePrepareInstrumentSelect:
  case kMusicDeviceReleaseInstrumentSelect:
  case kMusicDeviceStartNoteSelect: // an effect plays no notes
  case kMusicDeviceStopNoteSelect:
    return noErr;
  default:
    return badComponentSelector;
  }
}

// ---- Parameters -------------------------------------------------------------------------------

ComponentResult IPlugAU::GetParamValue(AudioUnitParameterID paramIdx, AudioUnitScope scope,
                                       AudioUnitParameterValue* outValue) {
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
  WDL_MutexLock lock(&mMutex);
  const IParam* param = paramIdx < (UInt32)NParams() ? GetParam((int)paramIdx) : nullptr;
  if (!param) return kAudioUnitErr_InvalidParameter;
  if (!outValue) return kAudioUnitErr_InvalidPropertyValue;
  *outValue = (AudioUnitParameterValue)param->mValue;
  return noErr;
}

ComponentResult IPlugAU::SetParamValue(AudioUnitParameterID paramIdx, AudioUnitScope scope,
                                       AudioUnitParameterValue value) {
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidScope;
  WDL_MutexLock lock(&mMutex);
  IParam* param = paramIdx < (UInt32)NParams() ? GetParam((int)paramIdx) : nullptr;
  if (!param) return kAudioUnitErr_InvalidParameter;
  param->SetClamped(value); // NaN gives the minimum
  if (mGraphics) mGraphics->SetParameterFromPlug((int)paramIdx, value, false);
  ParamChanged((int)paramIdx);
  return noErr;
}

ComponentResult IPlugAU::ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 count) {
  if (count > 0 && !events) return kAudioUnitErr_InvalidPropertyValue;
  for (UInt32 i = 0; i < count; ++i) {
    const AudioUnitParameterEvent& event = events[i];
    if (event.eventType != kParameterEvent_Immediate) continue; // ramps are not followed
    const ComponentResult r =
        SetParamValue(event.parameter, event.scope, event.eventValues.immediate.value);
    if (r != noErr) return r;
  }
  return noErr;
}

OSStatus IPlugAU::DirectGetParameter(void* storage, AudioUnitParameterID paramIdx,
                                     AudioUnitScope scope, AudioUnitElement,
                                     AudioUnitParameterValue* outValue) {
  IPlugAU* plug = Instance(storage);
  return plug ? plug->GetParamValue(paramIdx, scope, outValue) : badComponentInstance;
}

OSStatus IPlugAU::DirectSetParameter(void* storage, AudioUnitParameterID paramIdx,
                                     AudioUnitScope scope, AudioUnitElement,
                                     AudioUnitParameterValue value, UInt32) {
  IPlugAU* plug = Instance(storage);
  return plug ? plug->SetParamValue(paramIdx, scope, value) : badComponentInstance;
}

OSStatus IPlugAU::DirectRender(void* storage, AudioUnitRenderActionFlags* ioActionFlags,
                               const AudioTimeStamp* timeStamp, UInt32 outputBusIdx, UInt32 nFrames,
                               AudioBufferList* bufferList) {
  IPlugAU* plug = Instance(storage);
  if (!plug) return badComponentInstance;
  // The mutex the render selector and the VST2 block take: the host's property and
  // parameter calls and the editor's edits hold it only briefly, and without it they
  // would change the parameters, buses and listeners under the running block.
  WDL_MutexLock lock(&plug->mMutex);
  return plug->Render(ioActionFlags, timeStamp, outputBusIdx, nFrames, bufferList);
}

// ---- Host-facing operations -------------------------------------------------------------------

void IPlugAU::SendParamEvent(AudioUnitEventType type, int paramIdx) {
  AudioUnitEvent event;
  std::memset(&event, 0, sizeof(event));
  event.mEventType = type;
  event.mArgument.mParameter.mAudioUnit = mCI;
  event.mArgument.mParameter.mParameterID = (AudioUnitParameterID)paramIdx;
  event.mArgument.mParameter.mScope = kAudioUnitScope_Global;
  event.mArgument.mParameter.mElement = 0;
  AUEventListenerNotify(nullptr, nullptr, &event);
}

void IPlugAU::HostBeginEdit(int paramIdx) {
  FlushPendingEndEdit();
  SendParamEvent(kAudioUnitEvent_BeginParameterChangeGesture, paramIdx);
}

void IPlugAU::HostSetParam(int paramIdx, double) {
  SendParamEvent(kAudioUnitEvent_ParameterValueChange, paramIdx);
}

void IPlugAU::HostEndEdit(int paramIdx) {
  SendParamEvent(kAudioUnitEvent_EndParameterChangeGesture, paramIdx);
}

void IPlugAU::HostProgramChanged() {}
// Audio Unit hosts follow the Cocoa view's frame: the view takes its new size in points as
// the editor resizes it (after this call), and AppKit posts NSViewFrameDidChangeNotification,
// which hosts observe. Nothing to ask here.
void IPlugAU::EditorResized() {}

IHostTime IPlugAU::ReadHostTime() {
  IHostTime t;
  void* host = mHostCallbacks.hostUserData;
  // The first transport procedure when the host offers it, else the second (which adds
  // the recording state).
  Boolean playing = false, recording = false, changed = false, cycling = false;
  Float64 sample = 0.0, cycleStart = 0.0, cycleEnd = 0.0;
  OSStatus transport = kAudioUnitErr_CannotDoInCurrentContext;
  if (mHostCallbacks.transportStateProc)
    transport = mHostCallbacks.transportStateProc(host, &playing, &changed, &sample, &cycling,
                                                  &cycleStart, &cycleEnd);
  else if (mHostCallbacks.transportStateProc2)
    transport = mHostCallbacks.transportStateProc2(host, &playing, &recording, &changed, &sample,
                                                   &cycling, &cycleStart, &cycleEnd);
  if (transport == noErr) {
    // NaN and absurd positions read as 0.
    if (sample > -9.0e18 && sample < 9.0e18) t.mSamplePos = (int64_t)(sample + 0.5);
    t.mPlaying = playing || cycling;
    t.mHasLoop = cycling && std::isfinite(cycleStart) && std::isfinite(cycleEnd);
    if (t.mHasLoop) {
      t.mLoopStart = cycleStart;
      t.mLoopEnd = cycleEnd;
    }
  }
  if (mHostCallbacks.beatAndTempoProc) {
    Float64 beat = 0.0, tempo = 0.0;
    if (mHostCallbacks.beatAndTempoProc(host, &beat, &tempo) == noErr) {
      if (tempo > 0.0 && std::isfinite(tempo)) mTempo = tempo;
      t.mHasBeats = std::isfinite(beat);
      if (t.mHasBeats) t.mBeats = beat;
    }
  }
  t.mTempo = mTempo;
  if (mHostCallbacks.musicalTimeLocationProc) {
    UInt32 toNextBeat = 0, denominator = 0;
    Float32 numerator = 0.0f;
    Float64 downBeat = 0.0;
    if (mHostCallbacks.musicalTimeLocationProc(host, &toNextBeat, &numerator, &denominator,
                                               &downBeat) == noErr &&
        numerator >= 0.0f && numerator < 2.0e9f && denominator <= 0x7FFFFFFFu) {
      t.mTimeSigNumerator = (int)numerator;
      t.mTimeSigDenominator = (int)denominator;
    }
  }
  return t;
}

uint32_t IPlugAU::ProcessorClock() const { return RealTimeProcessorClock(); }

int IPlugAU::HostId() {
  if (mHost == kHostUninit) {
    char name[256] = "";
    CFBundleRef mainBundle = CFBundleGetMainBundle();
    CFStringRef identifier = mainBundle ? CFBundleGetIdentifier(mainBundle) : nullptr;
    if (identifier && CFStringGetCString(identifier, name, sizeof(name), kCFStringEncodingUTF8))
      SetHost(name, 0);
    if (mHost == kHostUninit) SetHost("", 0);
  }
  return mHost;
}

void IPlugAU::InitForHost() { HostId(); }

void IPlugAU::SetBlockSize(int nFrames) {
  if (nFrames <= 0) return;
  mInScratch.Resize(NInChannels() * nFrames);
  mOutScratch.Resize(NOutChannels() * nFrames);
  if (mInScratch.GetSize() > 0)
    std::memset(mInScratch.Get(), 0, sizeof(float) * mInScratch.GetSize());
  if (mOutScratch.GetSize() > 0)
    std::memset(mOutScratch.Get(), 0, sizeof(float) * mOutScratch.GetSize());
  IPlugBase::SetBlockSize(nFrames);
}

void IPlugAU::SetLatency(int samples) {
  IPlugBase::SetLatency(samples);
  NotifyPropertyListeners(kAudioUnitProperty_Latency, kAudioUnitScope_Global);
}

bool IPlugAU::SendMidi(IMidiMsg*) { return false; }
bool IPlugAU::SendSysEx(ISysEx*) { return false; }
