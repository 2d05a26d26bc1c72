#include "IPlugVST3.h"

#include "IGraphics.h"
#include "ProcessorClock.h"
#include "IPlugVST3View.h"
#include "Vst3Text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

using namespace vst3;

namespace {
// The state is 188 bytes; a stream holding more than this is refused without reading on.
constexpr int kMaxStateBytes = 4096;
constexpr int kParamTextLen = 32;

double ClampUnit(double v) {
  if (!(v >= 0.0)) return 0.0;
  return v > 1.0 ? 1.0 : v;
}

int ChannelCount(SpeakerArrangement arrangement) {
  int n = 0;
  for (; arrangement; arrangement &= arrangement - 1)
    ++n;
  return n;
}

float** Channels(AudioBusBuffers& bus, float*) { return bus.channelBuffers32; }
double** Channels(AudioBusBuffers& bus, double*) { return bus.channelBuffers64; }
} // namespace

IPlugVST3::IPlugVST3(IPlugInstanceInfo, int nParams, const char* channelIOStr, int nPresets,
                     const char* effectName, const char* productName, const char* mfrName,
                     int vendorVersion, int uniqueID, int mfrID, int latency, int doesMidi,
                     bool doesChunks, bool isInstrument)
    : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                uniqueID, mfrID, latency, doesMidi, doesChunks, isInstrument) {
  mInArrangement = NInChannels() < 2 ? NInChannels() : 2;
  mOutArrangement = NOutChannels() < 2 ? NOutChannels() : 2;
  SetInputChannelConnections(0, NInChannels(), true);
  SetOutputChannelConnections(0, NOutChannels(), true);
  mEvents.Resize(kMaxBlockEvents);
  SetBlockSize(mMaxBlock);
}

IPlugVST3::~IPlugVST3() {
  if (mHandler) mHandler->release();
}

tresult IPlugVST3::CreateInstance(CreateInstanceProc create, const void* iid, void** obj) {
  static WDL_Mutex sCreationLock;
  WDL_MutexLock lock(&sCreationLock);
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (!create || !iid) return kInvalidArgument;
  IPlugVST3* plug = create(IPlugInstanceInfo());
  if (!plug) return kInternalError;
  // A host lists at least one program.
  if (plug->NPresets() == 0) {
    plug->mPresets.Add(new IPreset(1));
    plug->AddDefaultPresets(nullptr, 1);
  }
  const tresult result = plug->queryInterface((const char*)iid, obj);
  plug->release(); // the reference handed out is the only one left, or none
  return result;
}

// ---- FUnknown, IPluginBase ----------------------------------------------------------------------

tresult IPlugVST3::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (!iid) return kInvalidArgument;
  if (kFUnknownIid.Is(iid) || kPluginBaseIid.Is(iid) || kComponentIid.Is(iid))
    *obj = static_cast<IComponent*>(this);
  else if (kAudioProcessorIid.Is(iid))
    *obj = static_cast<IAudioProcessor*>(this);
  else if (kEditControllerIid.Is(iid))
    *obj = static_cast<IEditController*>(this);
  else if (kUnitInfoIid.Is(iid))
    *obj = static_cast<IUnitInfo*>(this);
  else if (kProcessContextRequirementsIid.Is(iid))
    *obj = static_cast<IProcessContextRequirements*>(this);
  // Not IConnectionPoint: the controller is this very object, there is nothing to connect.
  if (!*obj) return kNoInterface;
  addRef();
  return kResultOk;
}

uint32_t IPlugVST3::addRef() { return ++mRefCount; }

uint32_t IPlugVST3::release() {
  const uint32_t count = --mRefCount;
  if (count == 0) delete this;
  return count;
}

tresult IPlugVST3::initialize(FUnknown* context) {
  WDL_MutexLock lock(&mMutex);
  if (mInitCount++ > 0) return kResultOk;
  char name[128] = "";
  void* app = nullptr;
  if (context && context->queryInterface(kHostApplicationIid.mBytes, &app) == kResultOk && app) {
    String128 hostName = {0};
    if (static_cast<IHostApplication*>(app)->getName(hostName) == kResultOk) {
      hostName[127] = 0;
      // A name with characters outside ASCII is not one we know.
      if (!vst3text::FromUtf16(hostName, 128, name, (int)sizeof(name))) name[0] = 0;
    }
    static_cast<IHostApplication*>(app)->release();
  }
  SetHost(name, 0);
  // The values the parameters hold before any state or host change are their defaults.
  mDefaults.Resize(NSavedParams());
  for (int i = 0; i < NSavedParams(); ++i)
    mDefaults.Get()[i] = GetParam(i)->GetNormalized();
  InitForHost();
  NotifyAllParams();
  return kResultOk;
}

tresult IPlugVST3::terminate() {
  WDL_MutexLock lock(&mMutex);
  if (mInitCount > 0 && --mInitCount == 0 && mHandler) {
    mHandler->release();
    mHandler = nullptr;
  }
  return kResultOk;
}

// ---- IComponent ---------------------------------------------------------------------------------

tresult IPlugVST3::getControllerClassId(TUID) { return kNotImplemented; }

tresult IPlugVST3::setIoMode(int32_t) { return kResultOk; }

int32_t IPlugVST3::getBusCount(MediaType type, BusDirection dir) {
  if (type != kAudio) return 0;
  if (dir == kInput) return NInChannels() > 0 ? 1 : 0;
  if (dir == kOutput) return NOutChannels() > 0 ? 1 : 0;
  return 0;
}

tresult IPlugVST3::getBusInfo(MediaType type, BusDirection dir, int32_t index, BusInfo* bus) {
  if (!bus || index != 0 || getBusCount(type, dir) <= index) return kInvalidArgument;
  WDL_MutexLock lock(&mMutex);
  std::memset(bus, 0, sizeof(*bus));
  bus->mediaType = kAudio;
  bus->direction = dir;
  bus->channelCount = dir == kInput ? mInArrangement : mOutArrangement;
  vst3text::ToUtf16(dir == kInput ? "Input" : "Output", bus->name, 128);
  bus->busType = kMainBus;
  bus->flags = kDefaultActive;
  return kResultOk;
}

tresult IPlugVST3::getRoutingInfo(RoutingInfo*, RoutingInfo*) { return kNotImplemented; }

tresult IPlugVST3::activateBus(MediaType type, BusDirection dir, int32_t index, TBool state) {
  if (index != 0 || getBusCount(type, dir) <= index) return kInvalidArgument;
  WDL_MutexLock lock(&mMutex);
  (dir == kInput ? mInBusActive : mOutBusActive) = state != 0;
  return kResultOk;
}

tresult IPlugVST3::setActive(TBool state) {
  WDL_MutexLock lock(&mMutex);
  // As a VST2 host switches the mains: off resets the plug-in.
  if (state) {
    SetActive(true);
    mFreeRunPos = 0;
  } else {
    SetActive(false);
    Reset();
  }
  mActive = state != 0;
  return kResultOk;
}

tresult IPlugVST3::setState(IBStream* state) {
  if (!state) return kInvalidArgument;
  // Read from where the host's stream stands (Ardour places our bytes after its own).
  unsigned char bytes[kMaxStateBytes + 1];
  int size = 0;
  while (size < (int)sizeof(bytes)) {
    int32_t got = 0;
    if (state->read(bytes + size, (int32_t)sizeof(bytes) - size, &got) != kResultOk) break;
    if (got <= 0 || got > (int32_t)sizeof(bytes) - size) break;
    size += got;
  }
  if (size > kMaxStateBytes) return kResultFalse;
  // The base refuses a state that is short, long, of another version or not numbers, whole.
  return LoadState(bytes, size) ? kResultOk : kResultFalse;
}

tresult IPlugVST3::getState(IBStream* state) {
  if (!state) return kInvalidArgument;
  WDL_MutexLock lock(&mMutex);
  mStateChunk.Clear();
  if (!SaveState(&mStateChunk) || mStateChunk.Size() <= 0) return kInternalError;
  int32_t written = 0;
  if (state->write(mStateChunk.GetBytes(), mStateChunk.Size(), &written) != kResultOk ||
      written != mStateChunk.Size())
    return kResultFalse;
  return kResultOk;
}

// ---- IAudioProcessor ------------------------------------------------------------------------------

tresult IPlugVST3::setBusArrangements(SpeakerArrangement* inputs, int32_t numIns,
                                      SpeakerArrangement* outputs, int32_t numOuts) {
  if (numIns != getBusCount(kAudio, kInput) || numOuts != getBusCount(kAudio, kOutput))
    return kResultFalse;
  if ((numIns > 0 && !inputs) || (numOuts > 0 && !outputs)) return kInvalidArgument;
  const int nIn = numIns > 0 ? ChannelCount(inputs[0]) : 0;
  const int nOut = numOuts > 0 ? ChannelCount(outputs[0]) : 0;
  WDL_MutexLock lock(&mMutex);
  // The channel rules of the plug-in (the VST2 ones): mono to mono, stereo to stereo.
  if (mActive || nIn > NInChannels() || nOut > NOutChannels() || nIn > 2 || nOut > 2 ||
      !LegalIO(nIn, nOut))
    return kResultFalse;
  mInArrangement = nIn;
  mOutArrangement = nOut;
  SetInputChannelConnections(0, nIn, true);
  SetInputChannelConnections(nIn, NInChannels() - nIn, false);
  SetOutputChannelConnections(0, nOut, true);
  SetOutputChannelConnections(nOut, NOutChannels() - nOut, false);
  return kResultTrue;
}

tresult IPlugVST3::getBusArrangement(BusDirection dir, int32_t index, SpeakerArrangement* arr) {
  if (!arr || index != 0 || getBusCount(kAudio, dir) <= index) return kInvalidArgument;
  WDL_MutexLock lock(&mMutex);
  const int n = dir == kInput ? mInArrangement : mOutArrangement;
  *arr = n == 1 ? kArrMono : (n == 2 ? kArrStereo : kArrEmpty);
  return kResultOk;
}

tresult IPlugVST3::canProcessSampleSize(int32_t symbolicSampleSize) {
  return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue
                                                                              : kResultFalse;
}

uint32_t IPlugVST3::getLatencySamples() { return (uint32_t)GetLatency(); }

tresult IPlugVST3::setupProcessing(ProcessSetup* setup) {
  if (!setup) return kInvalidArgument;
  if (!(setup->sampleRate > 0.0) || !std::isfinite(setup->sampleRate) ||
      setup->maxSamplesPerBlock <= 0 || canProcessSampleSize(setup->symbolicSampleSize) != kResultOk)
    return kInvalidArgument;
  WDL_MutexLock lock(&mMutex);
  if (mActive) return kResultFalse;
  const int maxBlock =
      setup->maxSamplesPerBlock > kMaxBlockSize ? kMaxBlockSize : setup->maxSamplesPerBlock;
  // The block size and rate a VST2 host would set: each resets the plug-in.
  SetSampleRate(setup->sampleRate);
  Reset();
  mMaxBlock = maxBlock;
  SetBlockSize(maxBlock);
  Reset();
  mSampleSize = setup->symbolicSampleSize;
  if (!mSilence32.Resize(maxBlock) || !mScratch32.Resize(maxBlock) ||
      !mSilence64.Resize(maxBlock) || !mScratch64.Resize(maxBlock))
    return kInternalError;
  std::memset(mSilence32.Get(), 0, sizeof(float) * maxBlock);
  std::memset(mSilence64.Get(), 0, sizeof(double) * maxBlock);
  return kResultOk;
}

tresult IPlugVST3::setProcessing(TBool state) {
  mProcessing.store(state != 0);
  return kResultOk;
}

uint32_t IPlugVST3::getTailSamples() { return 0; }

uint32_t IPlugVST3::getProcessContextRequirements() {
  return kNeedProjectTimeMusic | kNeedCycleMusic | kNeedTempo | kNeedTimeSignature |
         kNeedTransportState;
}

IHostTime IPlugVST3::ReadHostTime(const ProcessContext* context, int nFrames) {
  IHostTime t;
  if (!context) {
    // No timeline from the host: the gate runs free on its own frame count.
    t.mSamplePos = mFreeRunPos;
    mFreeRunPos += nFrames;
    return t;
  }
  // Negative positions (a pre-roll) read as 0, as the VST2 adapter reads them.
  if (context->projectTimeSamples > 0) t.mSamplePos = context->projectTimeSamples;
  const uint32_t state = context->state;
  if ((state & kTempoValid) && context->tempo >= 0.0 && std::isfinite(context->tempo))
    t.mTempo = context->tempo;
  t.mHasBeats = (state & kProjectTimeMusicValid) && std::isfinite(context->projectTimeMusic);
  if (t.mHasBeats) t.mBeats = context->projectTimeMusic;
  t.mPlaying = (state & (kPlaying | kRecording)) != 0;
  if ((state & kTimeSigValid) && context->timeSigNumerator >= 0 &&
      context->timeSigDenominator >= 0) {
    t.mTimeSigNumerator = context->timeSigNumerator;
    t.mTimeSigDenominator = context->timeSigDenominator;
  }
  t.mHasLoop = (state & kCycleValid) && std::isfinite(context->cycleStartMusic) &&
               std::isfinite(context->cycleEndMusic);
  if (t.mHasLoop) {
    t.mLoopStart = context->cycleStartMusic;
    t.mLoopEnd = context->cycleEndMusic;
  }
  return t;
}

int IPlugVST3::GatherEvents(IParameterChanges* changes, int nFrames, double* program) {
  if (!changes) return 0;
  IHostEvent* events = mEvents.Get();
  int n = 0;
  const int nQueues = changes->getParameterCount();
  for (int q = 0; q < nQueues; ++q) {
    IParamValueQueue* queue = changes->getParameterData(q);
    if (!queue) continue;
    const ParamID id = queue->getParameterId();
    const int idx = ParamIndex(id);
    if (idx < 0 && id != kProgramParamId) continue;
    const int nPoints = queue->getPointCount();
    for (int p = 0; p < nPoints; ++p) {
      int32_t offset = 0;
      ParamValue value = 0.0;
      if (queue->getPoint(p, &offset, &value) != kResultOk || std::isnan(value)) continue;
      if (idx < 0) {
        *program = ClampUnit(value);
        continue;
      }
      if (n >= kMaxBlockEvents || IsFloatEcho(idx, value)) continue;
      IHostEvent& e = events[n];
      e.mKind = IHostEvent::kParamValue;
      e.mOffset = offset < 0 ? 0 : (offset >= nFrames && nFrames > 0 ? nFrames - 1 : offset);
      e.mParamIdx = idx;
      e.mValue = ClampUnit(value);
      e.mNormalized = true;
      // Into frame order; points of one frame keep the host's order.
      int k = n++;
      for (; k > 0 && events[k - 1].mOffset > e.mOffset; --k) {}
      if (k < n - 1) {
        const IHostEvent moved = events[n - 1];
        std::memmove(&events[k + 1], &events[k], sizeof(IHostEvent) * (size_t)(n - 1 - k));
        events[k] = moved;
      }
    }
  }
  return n;
}

template <class T>
tresult IPlugVST3::ProcessAudio(ProcessData* data, const IHostTime& time, int nEvents,
                                WDL_TypedBuf<T>& silence, WDL_TypedBuf<T>& scratch) {
  const int nFrames = data->numSamples;
  AudioBusBuffers* inBus = data->numInputs > 0 ? data->inputs : nullptr;
  AudioBusBuffers* outBus = data->numOutputs > 0 ? data->outputs : nullptr;
  T* in[2] = {nullptr, nullptr};
  T* out[2] = {nullptr, nullptr};
  const bool standInFits = nFrames <= silence.GetSize();
  // A channel the host gives no buffer for is silence in, and goes nowhere out.
  for (int k = 0; k < mInArrangement && k < 2; ++k) {
    T** host = inBus ? Channels(*inBus, (T*)nullptr) : nullptr;
    if (host && k < inBus->numChannels && host[k])
      in[k] = host[k];
    else if (standInFits)
      in[k] = silence.Get();
    else
      return kInvalidArgument;
  }
  for (int k = 0; k < mOutArrangement && k < 2; ++k) {
    T** host = outBus ? Channels(*outBus, (T*)nullptr) : nullptr;
    if (host && k < outBus->numChannels && host[k])
      out[k] = host[k];
    else if (standInFits)
      out[k] = scratch.Get();
    else
      return kInvalidArgument;
  }
  // The base checks a pointer for every channel it has; those past the arrangement are not
  // connected and never read or written.
  for (int k = mInArrangement; k < 2 && k > 0; ++k)
    in[k] = in[0];
  for (int k = mOutArrangement; k < 2 && k > 0; ++k)
    out[k] = out[0];
  ProcessHostBlock(in, out, nFrames, time, mEvents.Get(), nEvents, false);
  if (outBus) outBus->silenceFlags = 0;
  return kResultOk;
}

tresult IPlugVST3::process(ProcessData* data) {
  if (!data || data->numSamples < 0) return kInvalidArgument;
  if (data->numSamples > 0 && data->symbolicSampleSize != kSample32 &&
      data->symbolicSampleSize != kSample64)
    return kInvalidArgument;
  WDL_MutexLock lock(&mMutex);
  double program = -1.0;
  const int nEvents = GatherEvents(data->inputParameterChanges, data->numSamples, &program);
  mInProcess = true;
  mOutChanges = data->outputParameterChanges;
  // A program chosen by the host applies from the block's start. The host usually told the
  // controller side already (setParamNormalized), which loaded it.
  if (program >= 0.0 && ProgramFromNormalized(program) != mCurrentPresetIdx)
    SelectProgram(ProgramFromNormalized(program));
  const IHostTime time = ReadHostTime(data->processContext, data->numSamples);
  tresult result = kResultOk;
  if (data->numSamples == 0) // a parameter flush: the changes, no audio
    ProcessHostBlock((float**)nullptr, (float**)nullptr, 0, time, mEvents.Get(), nEvents);
  else if (data->symbolicSampleSize == kSample64)
    result = ProcessAudio(data, time, nEvents, mSilence64, mScratch64);
  else
    result = ProcessAudio(data, time, nEvents, mSilence32, mScratch32);
  if (mOutChanges && mReportAll.exchange(false)) {
    for (int i = 0; i < NSavedParams(); ++i)
      QueueOutput((ParamID)i, GetParam(i)->GetNormalized());
    QueueOutput(kProgramParamId, mProgramNormalized);
  }
  mOutChanges = nullptr;
  mInProcess = false;
  return result;
}

void IPlugVST3::QueueOutput(ParamID id, double value) {
  if (!mOutChanges) return;
  int32_t queueIndex = 0, pointIndex = 0;
  IParamValueQueue* queue = mOutChanges->addParameterData(&id, &queueIndex);
  if (queue) queue->addPoint(0, value, &pointIndex);
}

// ---- IEditController ----------------------------------------------------------------------------

// The component's state is this object's own: setState has applied it already.
tresult IPlugVST3::setComponentState(IBStream* state) {
  return state ? kResultOk : kInvalidArgument;
}

// Everything lives in the component's state; the controller keeps nothing of its own.
tresult IPlugVST3::setControllerState(IBStream* state) {
  return state ? kResultOk : kInvalidArgument;
}

tresult IPlugVST3::getControllerState(IBStream* state) {
  return state ? kResultOk : kInvalidArgument;
}

int IPlugVST3::ParamIndex(ParamID id) const {
  return id < (ParamID)NSavedParams() ? (int)id : -1;
}

double IPlugVST3::ProgramToNormalized(int idx) const {
  return NPresets() > 1 ? (double)idx / (double)(NPresets() - 1) : 0.0;
}

int IPlugVST3::ProgramFromNormalized(double normalized) const {
  if (NPresets() <= 1) return 0;
  const int idx = (int)std::floor(ClampUnit(normalized) * (NPresets() - 1) + 0.5);
  return idx < NPresets() ? idx : NPresets() - 1;
}

void IPlugVST3::SelectProgram(int idx) {
  WDL_MutexLock lock(&mMutex);
  if (idx < 0 || idx >= NPresets()) return;
  // As a VST2 host's program change: the current program keeps its edits.
  StoreCurrentPreset(nullptr);
  LoadPreset(idx);
  mProgramNormalized = ProgramToNormalized(mCurrentPresetIdx);
  mReportAll.store(true);
}

bool IPlugVST3::IsFloatEcho(int paramIdx, double normalized) const {
  const IParam* param = GetParam(paramIdx);
  const double current = param->GetNormalized();
  return normalized != current && (float)normalized == (float)current;
}

int32_t IPlugVST3::getParameterCount() { return NSavedParams() + 1; }

tresult IPlugVST3::getParameterInfo(int32_t paramIndex, ParameterInfo* info) {
  if (!info || paramIndex < 0 || paramIndex >= getParameterCount()) return kInvalidArgument;
  WDL_MutexLock lock(&mMutex);
  std::memset(info, 0, sizeof(*info));
  info->unitId = 0;
  if (paramIndex == NSavedParams()) {
    info->id = kProgramParamId;
    vst3text::ToUtf16("Program", info->title, 128);
    vst3text::ToUtf16("Program", info->shortTitle, 128);
    info->stepCount = NPresets() > 1 ? NPresets() - 1 : 0;
    info->defaultNormalizedValue = 0.0;
    info->flags = kIsProgramChange | kIsList;
    return kResultOk;
  }
  const IParam* param = GetParam(paramIndex);
  info->id = (ParamID)paramIndex;
  vst3text::ToUtf16(param->GetName(), info->title, 128);
  vst3text::ToUtf16(param->GetName(), info->shortTitle, 128);
  vst3text::ToUtf16(param->GetLabel(), info->units, 128);
  // Discrete where the host's even steps are the plug-in's values: enumerations, and
  // whole numbers without a curve.
  const bool discrete = param->Type() == IParam::kParamBool || param->Type() == IParam::kParamEnum ||
                        (param->Type() == IParam::kParamInt && param->GetShape() == 1.0);
  info->stepCount = discrete ? (int32_t)(param->GetMax() - param->GetMin()) : 0;
  info->defaultNormalizedValue =
      paramIndex < mDefaults.GetSize() ? mDefaults.Get()[paramIndex] : param->GetNormalized();
  // Parameters the host cannot automate are dropped by some hosts (Ardour) and then not
  // kept in their sessions: hidden ones stay automatable so that the host stores them.
  info->flags = kCanAutomate;
  if (param->Type() == IParam::kParamEnum || param->Type() == IParam::kParamBool)
    info->flags |= kIsList;
  if (!param->GetCanAutomate()) info->flags |= kIsHidden;
  return kResultOk;
}

tresult IPlugVST3::getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                         String128 string) {
  if (!string) return kInvalidArgument;
  WDL_MutexLock lock(&mMutex);
  if (id == kProgramParamId) {
    vst3text::ToUtf16(GetPresetName(ProgramFromNormalized(valueNormalized)), string, 128);
    return kResultOk;
  }
  const int idx = ParamIndex(id);
  if (idx < 0) return kInvalidArgument;
  const IParam* param = GetParam(idx);
  // The text a VST2 host shows for the value the plug-in would hold, then its unit.
  char value[kParamTextLen], text[kParamTextLen * 2];
  param->FormatDisplay(param->FromNormalized(ClampUnit(valueNormalized)), false, value);
  std::snprintf(text, sizeof(text), "%s%s", value,
                param->DisplayTextCount() ? "" : param->GetLabel());
  vst3text::ToUtf16(text, string, 128);
  return kResultOk;
}

tresult IPlugVST3::getParamValueByString(ParamID id, TChar* string, ParamValue* valueNormalized) {
  if (!string || !valueNormalized) return kInvalidArgument;
  char text[256];
  if (!vst3text::FromUtf16(string, 256, text, (int)sizeof(text))) return kResultFalse;
  WDL_MutexLock lock(&mMutex);
  if (id == kProgramParamId) {
    for (int i = 0; i < NPresets(); ++i)
      if (!std::strcmp(GetPresetName(i), text)) {
        *valueNormalized = ProgramToNormalized(i);
        return kResultOk;
      }
    return kResultFalse;
  }
  const int idx = ParamIndex(id);
  if (idx < 0) return kInvalidArgument;
  const IParam* param = GetParam(idx);
  int listed = 0;
  char* end = text;
  std::strtod(text, &end);
  // A text is one of the parameter's own or begins with a number (a unit may follow).
  if (!param->LookUpDisplayText(text, &listed) && end == text) return kResultFalse;
  const double value = param->ValueFromText(text);
  if (std::isnan(value)) return kResultFalse;
  *valueNormalized = param->ToNormalized(value);
  return kResultOk;
}

ParamValue IPlugVST3::normalizedParamToPlain(ParamID id, ParamValue valueNormalized) {
  WDL_MutexLock lock(&mMutex);
  if (id == kProgramParamId) return ClampUnit(valueNormalized) * (NPresets() > 1 ? NPresets() - 1 : 0);
  const int idx = ParamIndex(id);
  return idx < 0 ? 0.0 : GetParam(idx)->FromNormalized(ClampUnit(valueNormalized), false);
}

ParamValue IPlugVST3::plainParamToNormalized(ParamID id, ParamValue plainValue) {
  WDL_MutexLock lock(&mMutex);
  if (id == kProgramParamId)
    return NPresets() > 1 ? ClampUnit(plainValue / (NPresets() - 1)) : 0.0;
  const int idx = ParamIndex(id);
  return idx < 0 || std::isnan(plainValue) ? 0.0 : GetParam(idx)->ToNormalized(plainValue);
}

ParamValue IPlugVST3::getParamNormalized(ParamID id) {
  WDL_MutexLock lock(&mMutex);
  if (id == kProgramParamId) return mProgramNormalized;
  const int idx = ParamIndex(id);
  return idx < 0 ? 0.0 : GetParam(idx)->GetNormalized();
}

tresult IPlugVST3::setParamNormalized(ParamID id, ParamValue value) {
  if (std::isnan(value)) return kInvalidArgument;
  WDL_MutexLock lock(&mMutex);
  if (id == kProgramParamId) {
    SelectProgram(ProgramFromNormalized(value));
    return kResultOk;
  }
  const int idx = ParamIndex(id);
  if (idx < 0) return kInvalidArgument;
  // Only stores and shows: the processor learns host values from its parameter queues,
  // and nothing is sent back to the host from here.
  if (!IsFloatEcho(idx, value)) SetParameterFromHost(idx, ClampUnit(value), true);
  return kResultOk;
}

tresult IPlugVST3::setComponentHandler(IComponentHandler* handler) {
  WDL_MutexLock lock(&mMutex);
  if (handler == mHandler) return kResultOk;
  if (handler) handler->addRef();
  if (mHandler) mHandler->release();
  mHandler = handler;
  return kResultOk;
}

IPlugView* IPlugVST3::createView(FIDString name) {
  // Only the editor (a host asking without a name means it too).
  if ((name && std::strcmp(name, kEditorViewName) != 0) || !GetGUI()) return nullptr;
  return new (std::nothrow) IPlugVST3View(this);
}

// ---- IUnitInfo: the root unit and its one program list, the presets ------------------------------

int32_t IPlugVST3::getUnitCount() { return 1; }

tresult IPlugVST3::getUnitInfo(int32_t unitIndex, UnitInfo* info) {
  if (!info || unitIndex != 0) return kInvalidArgument;
  std::memset(info, 0, sizeof(*info));
  info->id = 0;
  info->parentUnitId = -1;
  vst3text::ToUtf16("Root", info->name, 128);
  info->programListId = kProgramListId;
  return kResultOk;
}

int32_t IPlugVST3::getProgramListCount() { return 1; }

tresult IPlugVST3::getProgramListInfo(int32_t listIndex, ProgramListInfo* info) {
  if (!info || listIndex != 0) return kInvalidArgument;
  WDL_MutexLock lock(&mMutex);
  std::memset(info, 0, sizeof(*info));
  info->id = kProgramListId;
  vst3text::ToUtf16("Factory Presets", info->name, 128);
  info->programCount = NPresets();
  return kResultOk;
}

tresult IPlugVST3::getProgramName(ProgramListID listId, int32_t programIndex, String128 name) {
  WDL_MutexLock lock(&mMutex);
  if (!name || listId != kProgramListId || programIndex < 0 || programIndex >= NPresets())
    return kInvalidArgument;
  vst3text::ToUtf16(GetPresetName(programIndex), name, 128);
  return kResultOk;
}

tresult IPlugVST3::getProgramInfo(ProgramListID, int32_t, const char*, String128) {
  return kNotImplemented;
}

tresult IPlugVST3::hasProgramPitchNames(ProgramListID, int32_t) { return kResultFalse; }

tresult IPlugVST3::getProgramPitchName(ProgramListID, int32_t, int16_t, String128) {
  return kNotImplemented;
}

UnitID IPlugVST3::getSelectedUnit() { return 0; }

tresult IPlugVST3::selectUnit(UnitID unitId) { return unitId == 0 ? kResultOk : kInvalidArgument; }

tresult IPlugVST3::getUnitByBus(MediaType, BusDirection, int32_t, int32_t, UnitID* unitId) {
  if (!unitId) return kInvalidArgument;
  *unitId = 0;
  return kResultOk;
}

tresult IPlugVST3::setUnitProgramData(int32_t, int32_t, IBStream*) { return kNotImplemented; }

// ---- Host-facing operations -----------------------------------------------------------------------

void IPlugVST3::HostBeginEdit(int paramIdx) {
  FlushPendingEndEdit();
  if (mInProcess || paramIdx < 0 || paramIdx >= NSavedParams() || !mHandler) return;
  mHandler->beginEdit((ParamID)paramIdx);
}

void IPlugVST3::HostSetParam(int paramIdx, double normalizedValue) {
  if (paramIdx < 0 || paramIdx >= NSavedParams()) return;
  if (mInProcess)
    QueueOutput((ParamID)paramIdx, normalizedValue);
  else if (mHandler)
    mHandler->performEdit((ParamID)paramIdx, normalizedValue);
}

void IPlugVST3::HostEndEdit(int paramIdx) {
  if (paramIdx < 0 || paramIdx >= NSavedParams()) return;
  // Output queues carry values, not gestures: a gesture of the audio thread (a step word
  // published after a pattern edit, which has no control to send its value) ends with the
  // value it leaves.
  if (mInProcess)
    QueueOutput((ParamID)paramIdx, GetParam(paramIdx)->GetNormalized());
  else if (mHandler)
    mHandler->endEdit((ParamID)paramIdx);
}

void IPlugVST3::HostProgramChanged() { mReportAll.store(true); }

int IPlugVST3::HostId() {
  if (mHost == kHostUninit) SetHost("", 0);
  return mHost;
}

void IPlugVST3::EditorResized() {
  if (mAttachedView) mAttachedView->RequestResize();
}

void IPlugVST3::InitForHost() {}

uint32_t IPlugVST3::ProcessorClock() const { return RealTimeProcessorClock(); }
