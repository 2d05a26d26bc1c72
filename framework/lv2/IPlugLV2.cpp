#include "IPlugLV2.h"

#include "IGraphics.h"

#include "LV2Describe.h"
#include "LV2Description.h"
#include "LV2Features.h"
#include "ProcessorClock.h"

#include "lv2/buf-size/buf-size.h"
#include "lv2/options/options.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <new>

namespace {
// One plug-in per library: the entry file names it once through Descriptor.
const IPlugLV2Identity* sIdentity = nullptr;
IPlugLV2::CreateInstanceProc sCreate = nullptr;

IPlugLV2* Instance(LV2_Handle handle) { return (IPlugLV2*)handle; }

// The host's block length from its options, 0 when it gives none.
int BlockLengthOption(const LV2_Options_Option* options, LV2_URID_Map* map) {
  if (!options || !map) return 0;
  const LV2_URID maxLength = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID nominal = map->map(map->handle, LV2_BUF_SIZE__nominalBlockLength);
  const LV2_URID atomInt = map->map(map->handle, LV2_ATOM__Int);
  int found = 0;
  for (const LV2_Options_Option* o = options; o->key || o->value; ++o) {
    if ((o->key != maxLength && o->key != nominal) || o->type != atomInt || !o->value ||
        o->size < sizeof(int32_t))
      continue;
    const int32_t v = *(const int32_t*)o->value;
    if (v > found) found = v;
  }
  return found;
}
} // namespace

IPlugLV2::IPlugLV2(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr,
                   int nPresets, const char* effectName, const char* productName,
                   const char* mfrName, int vendorVersion, int uniqueID, int mfrID, int latency,
                   int doesMidi, bool doesChunks, bool isInstrument)
    : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                uniqueID, mfrID, latency, doesMidi, doesChunks, isInstrument) {
  SetInputChannelConnections(0, NInChannels(), true);
  SetOutputChannelConnections(0, NOutChannels(), true);
  SetBlockSize(kDefaultBlockSize);
  mTimeline.Map(nullptr);
  // The features are read in Open, once the plug-in class has defined its parameters.
  (void)instanceInfo;
}

IPlugLV2::~IPlugLV2() {}

uint32_t IPlugLV2::ProcessorClock() const { return RealTimeProcessorClock(); }

int IPlugLV2::ParamPort(int paramIdx) const {
  for (int k = 0; k < mNPortParams; ++k)
    if (mPortParams.Get()[k] == paramIdx) return NAudioPorts() + k;
  return -1;
}

// ---- Life cycle -------------------------------------------------------------------------------

void IPlugLV2::Open(const IPlugLV2Identity* identity, double sampleRate,
                    const LV2_Feature* const* features) {
  WDL_MutexLock lock(&mMutex);
  mIdentity = identity;
  // The visible parameters get ports: the saved ones a host may automate.
  mNPortParams = 0;
  mPortParams.Resize(NSavedParams());
  for (int i = 0; i < NSavedParams(); ++i) {
    const IParam* param = GetParam(i);
    if (param && param->GetCanAutomate()) mPortParams.Get()[mNPortParams++] = i;
  }
  mControlPorts.Resize(mNPortParams);
  mLastPortValues.Resize(mNPortParams);
  for (int k = 0; k < mNPortParams; ++k) {
    mControlPorts.Get()[k] = nullptr;
    mLastPortValues.Get()[k] = 0.0f;
  }
  mAudioPorts.Resize(NAudioPorts());
  for (int i = 0; i < NAudioPorts(); ++i)
    mAudioPorts.Get()[i] = nullptr;

  // urid:map is optional: without it there is no host time and no state.
  mMap = (LV2_URID_Map*)LV2Feature(features, LV2_URID__map);
  if (mMap && !mMap->map) mMap = nullptr;
  mTimeline.Map(mMap);
  if (mMap) {
    lv2_atom_forge_init(&mForge, mMap);
    mStateKey = mMap->map(mMap->handle, identity->mStateURI);
    mAtomChunk = mMap->map(mMap->handle, LV2_ATOM__Chunk);
    mAtomSequence = mMap->map(mMap->handle, LV2_ATOM__Sequence);
    mStateChanged = mMap->map(mMap->handle, LV2_STATE__StateChanged);
  }

  // The VST2 life cycle: open, sample rate, block size.
  InitForHost();
  NotifyAllParams();
  SetSampleRate(sampleRate);
  mTimeline.SetSampleRate(sampleRate);
  Reset();
  int block = BlockLengthOption((const LV2_Options_Option*)LV2Feature(features, LV2_OPTIONS__options),
                                mMap);
  if (block <= 0) block = kDefaultBlockSize;
  SetBlockSize(block > kMaxBlockSize ? kMaxBlockSize : block);
  Reset();
}

void IPlugLV2::ConnectPort(uint32_t port, void* data) {
  const int nAudio = NAudioPorts();
  if (port < (uint32_t)nAudio) {
    mAudioPorts.Get()[port] = (float*)data;
  } else if (port < (uint32_t)(nAudio + mNPortParams)) {
    mControlPorts.Get()[port - nAudio] = (const float*)data;
    mPortsDirty = true;
  } else if (port == (uint32_t)ControlInPort()) {
    mControlIn = (const LV2_Atom_Sequence*)data;
  } else if (port == (uint32_t)NotifyOutPort()) {
    mNotifyOut = (LV2_Atom_Sequence*)data;
  }
}

void IPlugLV2::Activate(bool active) {
  WDL_MutexLock lock(&mMutex);
  SetActive(active);
  if (!active) Reset();
}

// ---- Processing -------------------------------------------------------------------------------

int IPlugLV2::CollectEvents(uint32_t nFrames) {
  int n = 0;
  // Port values first: they apply from the block's first frame.
  for (int k = 0; k < mNPortParams; ++k) {
    const float* port = mControlPorts.Get()[k];
    if (!port) continue;
    const float v = *port;
    float& last = mLastPortValues.Get()[k];
    if (!mPortsDirty && std::memcmp(&v, &last, sizeof(v)) == 0) continue;
    last = v;
    IHostEvent& e = mEvents[n++];
    e.mKind = IHostEvent::kParamValue;
    e.mOffset = 0;
    e.mParamIdx = mPortParams.Get()[k];
    e.mValue = v;
    e.mNormalized = false;
  }
  mPortsDirty = false;

  // Then the host's positions, in frame order, each checked to lie inside the sequence.
  if (!mControlIn || !mTimeline.Mapped()) return n;
  const uint32_t size = mControlIn->atom.size;
  if (mControlIn->atom.type != mAtomSequence || size < sizeof(LV2_Atom_Sequence_Body)) return n;
  const uint8_t* body = (const uint8_t*)&mControlIn->body;
  int lastFrame = 0;
  for (uint64_t pos = sizeof(LV2_Atom_Sequence_Body);
       pos + sizeof(LV2_Atom_Event) <= size && n < kMaxEvents;) {
    const LV2_Atom_Event* ev = (const LV2_Atom_Event*)(body + pos);
    if (ev->body.size > size - pos - sizeof(LV2_Atom_Event)) break;
    pos += (sizeof(LV2_Atom_Event) + (uint64_t)ev->body.size + 7) & ~(uint64_t)7; // padded to 8
    const LV2_Atom_Object* object = (const LV2_Atom_Object*)&ev->body;
    if (!mTimeline.IsPosition(object)) continue;
    int64_t frame = ev->time.frames;
    if (frame < lastFrame) frame = lastFrame;
    if (nFrames > 0 && frame >= (int64_t)nFrames) frame = nFrames - 1;
    if (nFrames == 0) frame = 0;
    lastFrame = (int)frame;
    IHostEvent& e = mEvents[n++];
    e.mKind = IHostEvent::kTimeChange;
    e.mOffset = lastFrame;
    e.mTime = mTimeline.Read(object, lastFrame);
  }
  return n;
}

void IPlugLV2::Run(uint32_t nFrames) {
  WDL_MutexLock lock(&mMutex);
  if (nFrames > (uint32_t)INT_MAX) nFrames = 0;
  const IHostTime start = mTimeline.AtBlockStart();
  const int nEvents = CollectEvents(nFrames);
  const int nIn = NInChannels();
  float** ports = mAudioPorts.Get();
  ProcessHostBlock(ports, ports + nIn, (int)nFrames, start, mEvents, nEvents, false);
  mTimeline.EndBlock((int)nFrames);
  WriteNotifications();
}

void IPlugLV2::WriteNotifications() {
  if (!mNotifyOut) return;
  // The host set the buffer's capacity in its atom header.
  const uint32_t capacity = mNotifyOut->atom.size;
  if (!mMap || capacity < sizeof(LV2_Atom_Sequence)) {
    mNotifyOut->atom.size = 0;
    return;
  }
  lv2_atom_forge_set_buffer(&mForge, (uint8_t*)mNotifyOut, capacity);
  LV2_Atom_Forge_Frame sequence;
  lv2_atom_forge_sequence_head(&mForge, &sequence, 0);
  if (mStateChangedPending.load()) {
    LV2_Atom_Forge_Frame object;
    if (lv2_atom_forge_frame_time(&mForge, 0) &&
        lv2_atom_forge_object(&mForge, &object, 0, mStateChanged)) {
      lv2_atom_forge_pop(&mForge, &object);
      mStateChangedPending.store(false);
    }
  }
  lv2_atom_forge_pop(&mForge, &sequence);
}

// ---- State ------------------------------------------------------------------------------------

LV2_State_Status IPlugLV2::SaveTo(LV2_State_Store_Function store, LV2_State_Handle handle) {
  if (!store) return LV2_STATE_ERR_UNKNOWN;
  if (!mMap) return LV2_STATE_ERR_NO_FEATURE;
  ChunkBuffer chunk;
  if (!SaveState(&chunk) || chunk.Size() <= 0) return LV2_STATE_ERR_UNKNOWN;
  return store(handle, mStateKey, chunk.GetBytes(), (size_t)chunk.Size(), mAtomChunk,
               LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status IPlugLV2::RestoreFrom(LV2_State_Retrieve_Function retrieve,
                                       LV2_State_Handle handle) {
  if (!retrieve) return LV2_STATE_ERR_UNKNOWN;
  if (!mMap) return LV2_STATE_ERR_NO_FEATURE;
  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void* data = retrieve(handle, mStateKey, &size, &type, &flags);
  // A state without our property (jalv restores a default one at every start) keeps the
  // current values.
  if (!data) return LV2_STATE_SUCCESS;
  if (type != mAtomChunk) return LV2_STATE_ERR_BAD_TYPE;
  if (size > (size_t)INT_MAX || !LoadState(data, (int)size)) return LV2_STATE_ERR_UNKNOWN;
  // The host restores the port values beside the state: they win at the next block.
  WDL_MutexLock lock(&mMutex);
  mPortsDirty = true;
  return LV2_STATE_SUCCESS;
}

// ---- Host-facing operations -------------------------------------------------------------------

void IPlugLV2::AttachUIHost(const UIHost* host) {
  WDL_MutexLock lock(&mMutex);
  mUIHost = host ? *host : UIHost();
}

void IPlugLV2::EditorResized() {
  const LV2UI_Resize* resize = mUIHost.mResize;
  IGraphics* graphics = GetGUI();
  if (resize && resize->ui_resize && graphics && graphics->GetWindow())
    resize->ui_resize(resize->handle, graphics->DeviceWidth(), graphics->DeviceHeight());
}

void IPlugLV2::HostBeginEdit(int paramIdx) {
  FlushPendingEndEdit();
  const int port = ParamPort(paramIdx);
  if (port >= 0 && mUIHost.mTouch && mUIHost.mTouch->touch)
    mUIHost.mTouch->touch(mUIHost.mTouch->handle, (uint32_t)port, true);
}

void IPlugLV2::HostSetParam(int paramIdx, double normalizedValue) {
  if (paramIdx < 0 || paramIdx >= NSavedParams()) return;
  const int port = ParamPort(paramIdx);
  if (port < 0) {
    mStateChangedPending.store(true);
    return;
  }
  // The parameter already holds the value; the port takes its real form.
  if (!mUIHost.mWrite) return;
  const float value = (float)GetParam(paramIdx)->Value();
  mUIHost.mWrite(mUIHost.mController, (uint32_t)port, sizeof(float), 0, &value);
}

void IPlugLV2::HostEndEdit(int paramIdx) {
  const int port = ParamPort(paramIdx);
  if (port >= 0 && mUIHost.mTouch && mUIHost.mTouch->touch)
    mUIHost.mTouch->touch(mUIHost.mTouch->handle, (uint32_t)port, false);
  // The engine publishes a step word as a gesture around the new value.
  if (port < 0 && paramIdx >= 0 && paramIdx < NSavedParams()) mStateChangedPending.store(true);
}

void IPlugLV2::HostProgramChanged() { mStateChangedPending.store(true); }

// ---- Descriptor -------------------------------------------------------------------------------

LV2_Handle IPlugLV2::Instantiate(const LV2_Descriptor* descriptor, double sampleRate,
                                 const char* bundlePath, const LV2_Feature* const* features) {
  if (!sCreate || !sIdentity || !(sampleRate > 0.0) || !std::isfinite(sampleRate)) return nullptr;
  IPlugInstanceInfo info;
  info.mSampleRate = sampleRate;
  info.mFeatures = features;
  IPlugLV2* plug = sCreate(info);
  if (!plug) return nullptr;
  plug->Open(sIdentity, sampleRate, features);
  return plug;
}

namespace {
void ConnectPortProc(LV2_Handle h, uint32_t port, void* data) { Instance(h)->ConnectPort(port, data); }
void ActivateProc(LV2_Handle h) { Instance(h)->Activate(true); }
void RunProc(LV2_Handle h, uint32_t nFrames) { Instance(h)->Run(nFrames); }
void DeactivateProc(LV2_Handle h) { Instance(h)->Activate(false); }
void CleanupProc(LV2_Handle h) {
  IPlugLV2* plug = Instance(h);
  plug->mMutex.Enter();
  plug->BeforeClose();
  plug->mMutex.Leave();
  delete plug;
}

LV2_State_Status SaveProc(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle,
                          uint32_t, const LV2_Feature* const*) {
  return Instance(h)->SaveTo(store, handle);
}
LV2_State_Status RestoreProc(LV2_Handle h, LV2_State_Retrieve_Function retrieve,
                             LV2_State_Handle handle, uint32_t, const LV2_Feature* const*) {
  return Instance(h)->RestoreFrom(retrieve, handle);
}
const LV2_State_Interface kStateInterface = {SaveProc, RestoreProc};
} // namespace

const void* IPlugLV2::ExtensionData(const char* uri) {
  if (!uri) return nullptr;
  if (!std::strcmp(uri, LV2_STATE__interface)) return &kStateInterface;
  if (!std::strcmp(uri, CORVANEL_LV2_DESCRIBE_URI)) return &LV2DescribeInterface();
  return nullptr;
}

const LV2_Descriptor* IPlugLV2::Descriptor(const IPlugLV2Identity* identity,
                                           CreateInstanceProc create) {
  static LV2_Descriptor descriptor;
  sIdentity = identity;
  sCreate = create;
  descriptor.URI = identity->mPluginURI;
  descriptor.instantiate = Instantiate;
  descriptor.connect_port = ConnectPortProc;
  descriptor.activate = ActivateProc;
  descriptor.run = RunProc;
  descriptor.deactivate = DeactivateProc;
  descriptor.cleanup = CleanupProc;
  descriptor.extension_data = ExtensionData;
  return &descriptor;
}
