#include "AuHost.h"

#include <dlfcn.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace {
std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::map<SInt16, long>& Calls() {
  static std::map<SInt16, long> calls;
  return calls;
}
// A host calls the unit from its render thread and its main thread at once.
std::mutex gCallsLock;

ComponentRoutineUPP gEntry = nullptr;
bool gHideFastDispatch = false;

// Sits between the component manager and the component's entry, counting selectors.
ComponentResult CountingEntry(ComponentParameters* params, Handle storage) {
  {
    std::lock_guard<std::mutex> lock(gCallsLock);
    ++Calls()[params->what];
  }
  const bool askingProperty = params->what == kAudioUnitGetPropertySelect ||
                              params->what == kAudioUnitGetPropertyInfoSelect;
  if (gHideFastDispatch && askingProperty &&
      (UInt32)params->params[1] == (UInt32)kAudioUnitProperty_FastDispatch)
    return kAudioUnitErr_InvalidProperty;
  return gEntry(params, storage);
}

ComponentBundle LoadBundle() {
  ComponentBundle bundle;
  const char* fromEnv = std::getenv("CORVANEL_AU_BUNDLE");
  bundle.mPath = fromEnv && *fromEnv ? fromEnv : CORVANEL_AU_BUNDLE;
  bundle.mPlist = ReadFile(bundle.mPath + "/Contents/Info.plist");
  if (bundle.mPlist.empty()) {
    bundle.mError = "no Contents/Info.plist in " + bundle.mPath;
    return bundle;
  }
  bundle.mBundleID = PlistValue(bundle.mPlist, "CFBundleIdentifier");
  bundle.mExecutable = PlistValue(bundle.mPlist, "CFBundleExecutable");
  bundle.mFactoryName = PlistValue(bundle.mPlist, "factoryFunction");
  bundle.mName = PlistValue(bundle.mPlist, "name");
  std::memset(&bundle.mDesc, 0, sizeof(bundle.mDesc));
  bundle.mDesc.componentType = FourCC(PlistValue(bundle.mPlist, "type"));
  bundle.mDesc.componentSubType = FourCC(PlistValue(bundle.mPlist, "subtype"));
  bundle.mDesc.componentManufacturer = FourCC(PlistValue(bundle.mPlist, "manufacturer"));

  const std::string binary = bundle.mPath + "/Contents/MacOS/" + bundle.mExecutable;
  void* library = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    bundle.mError = dlerror();
    return bundle;
  }
  bundle.mFactory = (AudioComponentFactoryFunction)dlsym(library, bundle.mFactoryName.c_str());
  bundle.mEntry = (ComponentRoutineUPP)dlsym(library, "CLS_CORVANEL_Entry");
  if (!bundle.mFactory || !bundle.mEntry) {
    bundle.mError = "no factory " + bundle.mFactoryName + " or entry in " + binary;
    return bundle;
  }
  bundle.mViewEntry = (ComponentRoutineUPP)dlsym(library, "CLS_CORVANEL_ViewEntry");
  gEntry = bundle.mEntry;
  // The system knows the bundle by its identifier, and the host application by its own.
  CorvanelMac_AddBundle(bundle.mBundleID.c_str(), bundle.mPath.c_str());
  bundle.mComponent = RegisterComponent(&bundle.mDesc, CountingEntry, 0, nullptr, nullptr, nullptr);
  AudioComponentDescription desc;
  std::memcpy(&desc, &bundle.mDesc, sizeof(desc));
  bundle.mAudioComponent = AudioComponentRegister(&desc, nullptr, 0, bundle.mFactory);
  return bundle;
}

OSStatus BeatAndTempo(void* userData, Float64* outBeat, Float64* outTempo) {
  HostTimeline* t = (HostTimeline*)userData;
  ++t->mCallbackCalls;
  if (outBeat) *outBeat = t->Beat();
  if (outTempo) *outTempo = t->mTempo;
  return noErr;
}

OSStatus MusicalTimeLocation(void* userData, UInt32* outDeltaToNextBeat, Float32* outNumerator,
                             UInt32* outDenominator, Float64* outDownBeat) {
  HostTimeline* t = (HostTimeline*)userData;
  if (outDeltaToNextBeat) *outDeltaToNextBeat = 0;
  if (outNumerator) *outNumerator = t->mNumerator;
  if (outDenominator) *outDenominator = t->mDenominator;
  if (outDownBeat) *outDownBeat = 0.0;
  return noErr;
}

OSStatus TransportState(void* userData, Boolean* outPlaying, Boolean* outChanged,
                        Float64* outSample, Boolean* outCycling, Float64* outCycleStart,
                        Float64* outCycleEnd) {
  HostTimeline* t = (HostTimeline*)userData;
  if (outPlaying) *outPlaying = t->mPlaying;
  if (outChanged) *outChanged = false;
  if (outSample) *outSample = t->mSample;
  if (outCycling) *outCycling = false;
  if (outCycleStart) *outCycleStart = 0.0;
  if (outCycleEnd) *outCycleEnd = 0.0;
  return noErr;
}

OSStatus RenderSignal(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp* ts, UInt32,
                      UInt32 frames, AudioBufferList* list) {
  SignalSource* source = (SignalSource*)refCon;
  ++source->mCalls;
  for (UInt32 ch = 0; ch < list->mNumberBuffers; ++ch) {
    float* data = (float*)list->mBuffers[ch].mData;
    if (!data) return kAudioUnitErr_InvalidPropertyValue;
    for (UInt32 i = 0; i < frames; ++i)
      data[i] = TestSample((int)ch, (int64_t)ts->mSampleTime + i);
  }
  return noErr;
}
} // namespace

const ComponentBundle& BuiltBundle() {
  static const ComponentBundle bundle = LoadBundle();
  return bundle;
}

std::string PlistValue(const std::string& plist, const char* key) {
  const std::string tag = std::string("<key>") + key + "</key>";
  size_t at = plist.find(tag);
  if (at == std::string::npos) return "";
  at += tag.size();
  const size_t open = plist.find('>', plist.find('<', at));
  const size_t close = plist.find('<', open);
  if (open == std::string::npos || close == std::string::npos) return "";
  return plist.substr(open + 1, close - open - 1);
}

OSType FourCC(const std::string& code) {
  if (code.size() != 4) return 0;
  return ((OSType)(unsigned char)code[0] << 24) | ((OSType)(unsigned char)code[1] << 16) |
         ((OSType)(unsigned char)code[2] << 8) | (OSType)(unsigned char)code[3];
}

long EntryCalls(SInt16 selector) {
  std::lock_guard<std::mutex> lock(gCallsLock);
  return Calls()[selector];
}

void HideFastDispatch(bool hide) { gHideFastDispatch = hide; }

HostCallbackInfo HostTimeline::Callbacks() {
  HostCallbackInfo info;
  info.hostUserData = this;
  info.beatAndTempoProc = BeatAndTempo;
  info.musicalTimeLocationProc = MusicalTimeLocation;
  info.transportStateProc = TransportState;
  info.transportStateProc2 = nullptr;
  return info;
}

float TestSample(int channel, int64_t frame) {
  // A 32-bit hash of (channel, frame), scaled to ±0.9: reproducible everywhere.
  uint32_t x = (uint32_t)frame * 2654435761u ^ (uint32_t)(channel + 1) * 0x9E3779B9u;
  x ^= x >> 15;
  x *= 0x2C1B3C6Du;
  x ^= x >> 12;
  return (float)((double)(x & 0xFFFFFF) / 16777215.0 * 1.8 - 0.9);
}

AURenderCallbackStruct SignalSource::Callback() { return {RenderSignal, this}; }

AudioStreamBasicDescription FloatFormat(double sampleRate, UInt32 channels) {
  AudioStreamBasicDescription f;
  std::memset(&f, 0, sizeof(f));
  f.mSampleRate = sampleRate;
  f.mFormatID = kAudioFormatLinearPCM;
  f.mFormatFlags = kAudioFormatFlagsAudioUnitCanonical;
  f.mBytesPerPacket = 4;
  f.mFramesPerPacket = 1;
  f.mBytesPerFrame = 4;
  f.mChannelsPerFrame = channels;
  f.mBitsPerChannel = 32;
  return f;
}

AuRoute DefaultRoute() {
  const char* route = std::getenv("CORVANEL_AU_OPEN");
  return route && std::strcmp(route, "entry") == 0 ? kThroughEntry : kThroughFactory;
}

AuInstance::AuInstance(AuRoute route) : mRoute(route) {
  const ComponentBundle& bundle = BuiltBundle();
  if (route == kThroughEntry && bundle.mComponent)
    mOpenResult = OpenAComponent(bundle.mComponent, &mUnit);
  if (route == kThroughFactory && bundle.mAudioComponent)
    mOpenResult = AudioComponentInstanceNew(bundle.mAudioComponent, &mUnit);
}

AuInstance::~AuInstance() {
  if (mUnit) {
    AudioUnitUninitialize(mUnit);
    if (mRoute == kThroughEntry)
      CloseComponent(mUnit);
    else
      AudioComponentInstanceDispose(mUnit);
  }
}

OSStatus AuInstance::Configure(double sampleRate, UInt32 maxFrames, UInt32 channels,
                               HostTimeline* timeline, SignalSource* input) {
  OSStatus r = Set(kAudioUnitProperty_SampleRate, sampleRate);
  if (r == noErr)
    r = Set(kAudioUnitProperty_StreamFormat, FloatFormat(sampleRate, channels),
            kAudioUnitScope_Input);
  if (r == noErr)
    r = Set(kAudioUnitProperty_StreamFormat, FloatFormat(sampleRate, channels),
            kAudioUnitScope_Output);
  if (r == noErr) r = Set(kAudioUnitProperty_MaximumFramesPerSlice, maxFrames);
  if (r == noErr && timeline) {
    timeline->mSampleRate = sampleRate;
    r = Set(kAudioUnitProperty_HostCallbacks, timeline->Callbacks());
  }
  if (r == noErr && input)
    r = Set(kAudioUnitProperty_SetRenderCallback, input->Callback(), kAudioUnitScope_Input);
  if (r == noErr) r = AudioUnitInitialize(mUnit);
  return r;
}

float AuInstance::Param(AudioUnitParameterID id) {
  AudioUnitParameterValue v = -12345.0f;
  AudioUnitGetParameter(mUnit, id, kAudioUnitScope_Global, 0, &v);
  return v;
}

std::vector<float> AuInstance::Params() {
  std::vector<float> values;
  for (AudioUnitParameterID i = 0; i < 26; ++i)
    values.push_back(Param(i));
  return values;
}

OSStatus AuInstance::Render(double sampleTime, UInt32 frames, UInt32 channels,
                            std::vector<float>* out, bool hostMemory) {
  out->assign((size_t)channels * frames, 0.0f);
  std::vector<unsigned char> storage(sizeof(AudioBufferList) + sizeof(AudioBuffer) * channels);
  AudioBufferList* list = (AudioBufferList*)storage.data();
  list->mNumberBuffers = channels;
  for (UInt32 ch = 0; ch < channels; ++ch) {
    list->mBuffers[ch].mNumberChannels = 1;
    list->mBuffers[ch].mDataByteSize = frames * sizeof(float);
    list->mBuffers[ch].mData = hostMemory ? out->data() + (size_t)ch * frames : nullptr;
  }
  AudioTimeStamp ts;
  std::memset(&ts, 0, sizeof(ts));
  ts.mSampleTime = sampleTime;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags flags = 0;
  const OSStatus r = AudioUnitRender(mUnit, &flags, &ts, 0, frames, list);
  if (r == noErr && !hostMemory)
    for (UInt32 ch = 0; ch < channels; ++ch)
      if (list->mBuffers[ch].mData)
        std::memcpy(out->data() + (size_t)ch * frames, list->mBuffers[ch].mData,
                    frames * sizeof(float));
  return r;
}
