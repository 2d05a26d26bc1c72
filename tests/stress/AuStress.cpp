#include "AuStress.h"

#include <chrono>
#include <cmath>
#include <random>
#include <thread>

namespace {

constexpr int kNumSavedParams = 23, kNumParams = 26;

} // namespace

bool AuStress::Setup(std::string* error) {
  if (!mUnit.mUnit) {
    *error = "cannot open the Audio Unit: " + BuiltBundle().mError;
    return false;
  }
  mTimeline.mTempo = 133.0;
  const OSStatus r = mUnit.Configure(44100.0, kMaxBlock, 2, &mTimeline, &mSignal);
  if (r != noErr) {
    *error = "the Audio Unit refused its configuration: " + std::to_string(r);
    return false;
  }
  for (AudioUnitParameterID id = 0; id < (AudioUnitParameterID)kNumParams; ++id) {
    AudioUnitParameterInfo info = {};
    if (mUnit.Get(kAudioUnitProperty_ParameterInfo, &info, kAudioUnitScope_Global, id) != noErr) {
      *error = "no information on parameter " + std::to_string(id);
      return false;
    }
    if (info.cfNameString) CFRelease(info.cfNameString);
    if (info.unitName) CFRelease(info.unitName);
    mAllRanges.push_back({info.minValue, info.maxValue});
  }
  mSavedRanges.assign(mAllRanges.begin(), mAllRanges.begin() + kNumSavedParams);
  CFArrayRef presets = nullptr;
  if (mUnit.Get(kAudioUnitProperty_FactoryPresets, &presets) != noErr || !presets) {
    *error = "the Audio Unit lists no factory presets";
    return false;
  }
  mNumPresets = (int)CFArrayGetCount(presets);
  CFRelease(presets);
  return true;
}

void AuStress::Run(double seconds, double warmUp) {
  Restart();
  std::thread render(&AuStress::RenderLoop, this);
  std::thread host(&AuStress::HostLoop, this);
  WarmUpMeasureAndStop(seconds, warmUp);
  host.join();
  render.join();
}

void AuStress::RenderLoop() {
  ThreadStarted(StressThread::kAudio);
  std::vector<float> out;
  long block = 0;
  while (!Stopping()) {
    const UInt32 frames = 64 + (UInt32)((block * 97) % (kMaxBlock - 63));
    const auto start = std::chrono::steady_clock::now();
    const OSStatus r = mUnit.Render(mTimeline.mSample, frames, 2, &out);
    const long us = (long)std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    if (us > mCounts.mLongestRenderUs.load(std::memory_order_relaxed))
      mCounts.mLongestRenderUs.store(us, std::memory_order_relaxed);
    if (us > 1000) mCounts.mRendersOver1ms.fetch_add(1, std::memory_order_relaxed);
    if (r != noErr) Fail("AudioUnitRender answered " + std::to_string(r));
    long bad = 0;
    for (float v : out)
      bad += !std::isfinite(v);
    if (bad) mCounts.mNonFinite.fetch_add(bad, std::memory_order_relaxed);
    mTimeline.mSample += frames;
    ++block;
    mCounts.mRenders.fetch_add(1, std::memory_order_relaxed);
  }
}

void AuStress::CheckClassInfo() {
  CFDictionaryRef info = nullptr;
  if (mUnit.Get(kAudioUnitProperty_ClassInfo, &info) != noErr || !info) {
    Fail("the class info could not be read");
    return;
  }
  mCounts.mClassInfos.fetch_add(1, std::memory_order_relaxed);
  CFDataRef data = (CFDataRef)CFDictionaryGetValue(info, CFSTR("data"));
  std::string why;
  if (!data || CFGetTypeID(data) != CFDataGetTypeID())
    Fail("the class info holds no data");
  else if (!CheckParamBlock(CFDataGetBytePtr(data), (size_t)CFDataGetLength(data), mSavedRanges,
                            false, &why))
    Fail("class info: " + why);
  else if (mUnit.Set(kAudioUnitProperty_ClassInfo, info) != noErr)
    Fail("the class info the unit wrote was refused");
  CFRelease(info);
}

void AuStress::HostLoop() {
  ThreadStarted(StressThread::kHost);
  std::minstd_rand random(31);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  long round = 0;
  while (!Stopping()) {
    const int id = pick(0, kNumParams - 1);
    const ParamRange& range = mAllRanges[id];
    const float value =
        std::uniform_real_distribution<float>((float)range.mMin, (float)range.mMax)(random);
    if (mUnit.SetParam(id, value) != noErr) Fail("AudioUnitSetParameter refused a value");
    const float now = mUnit.Param(id);
    if (!(now >= range.mMin && now <= range.mMax))
      Fail("parameter " + std::to_string(id) + " reads " + std::to_string(now));
    switch (round++ % 8) {
    case 0:
      CheckClassInfo();
      break;
    case 2: {
      // Not the default slot (0): it holds no values until a VST2 host stores it.
      AUPreset choose = {pick(1, mNumPresets - 1), nullptr};
      const OSStatus r = mUnit.Set(kAudioUnitProperty_PresentPreset, choose);
      if (r != noErr)
        Fail("factory preset " + std::to_string(choose.presetNumber) + " of " +
             std::to_string(mNumPresets) + " could not be chosen: " + std::to_string(r));
      AUPreset current = {-1, nullptr};
      if (mUnit.Get(kAudioUnitProperty_PresentPreset, &current) != noErr)
        Fail("the present preset could not be read");
      if (current.presetName) CFRelease(current.presetName);
      break;
    }
    case 4: {
      // The slice size changes under the render (each render stays within both sizes).
      const UInt32 frames = pick(0, 1) ? kMaxBlock : 2 * kMaxBlock;
      if (mUnit.Set(kAudioUnitProperty_MaximumFramesPerSlice, frames) != noErr)
        Fail("the slice size could not be set");
      AudioStreamBasicDescription format = {};
      if (mUnit.Get(kAudioUnitProperty_StreamFormat, &format, kAudioUnitScope_Output) != noErr)
        Fail("the output format could not be read");
      break;
    }
    case 6: {
      const UInt32 bypass = pick(0, 3) == 0;
      if (mUnit.Set(kAudioUnitProperty_BypassEffect, bypass) != noErr)
        Fail("the bypass could not be set");
      Float64 latency = -1;
      if (mUnit.Get(kAudioUnitProperty_Latency, &latency) != noErr)
        Fail("the latency could not be read");
      break;
    }
    default:
      break;
    }
    mCounts.mHostCalls.fetch_add(1, std::memory_order_relaxed);
  }
}
