// The plug-in's audio path as a host drives it: the built library loaded through its
// VST2 entry point, processReplacing on float buffers at 512 stereo frames under a
// playing transport, against loops a faster exact plug-in could not beat by much:
// - a plain stereo gain in double over the same float buffers: the conversions around a
//   multiply, the least any double-precision gain on float buffers does;
// - the bit-exact band split's floor: the one-pole recursion per channel in double with
//   the float conversions, and nothing else. Its chain of dependent operations (a
//   subtract, a multiply and an add per sample) bounds any split whose output is exact.
#include "PluginLibrary.h"
#include "RatioReporter.h"
#include "StereoBuffers.h"
#include "vst2_abi.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kBlock = kBenchBlock;
constexpr double kRate = 44100.0;
constexpr double kTempo = 120.0;
// Program "Groove Gate 2": sixteen steps of mixed gate lengths and volumes with a long
// glide, so that every envelope state and the glide run.
constexpr int kProgram = 23;
constexpr int kTargetParam = 8; // Target: Volume, Low, High, Low-High
constexpr float kTargetVolume = 0.0f, kTargetLowHigh = 1.0f;

using Buffers = StereoBuffers<float>;

// The host's transport: playing at a fixed tempo, moving one block per call.
VstTimeInfo sTime;

VstIntPtr VSTCALLBACK HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  switch (opcode) {
  case audioMasterVersion:
    return 2400;
  case audioMasterGetTime:
    return (VstIntPtr)&sTime;
  default:
    return 0;
  }
}

// One instance of the built plug-in, opened and resumed as a host does.
class Instance {
public:
  explicit Instance(float target) {
    auto entry = (VstPluginMainProc)BuiltPlugin().Symbol("VSTPluginMain");
    mEffect = entry ? entry(HostCallback) : nullptr;
    if (!mEffect) return;
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, (float)kRate);
    Dispatch(effSetBlockSize, 0, kBlock);
    Dispatch(effSetProgram, 0, kProgram);
    mEffect->setParameter(mEffect, kTargetParam, target);
    Dispatch(effMainsChanged, 0, 1);
    Dispatch(effStartProcess);
    sTime = VstTimeInfo();
    sTime.sampleRate = kRate;
    sTime.tempo = kTempo;
    sTime.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid;
  }
  ~Instance() {
    if (!mEffect) return;
    Dispatch(effStopProcess);
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effClose);
  }
  bool Ok() const { return mEffect != nullptr; }

  void Process(Buffers& b) {
    float* in[2] = {b.inL.data(), b.inR.data()};
    float* out[2] = {b.outL.data(), b.outR.data()};
    mEffect->processReplacing(mEffect, in, out, kBlock);
    sTime.samplePos += kBlock;
    sTime.ppqPos = sTime.samplePos * kTempo / (60.0 * kRate);
  }

private:
  VstIntPtr Dispatch(VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return mEffect->dispatcher(mEffect, op, index, value, ptr, opt);
  }
  AEffect* mEffect = nullptr;
};

void RunPlugin(benchmark::State& state, float target) {
  Buffers b;
  Instance plug(target);
  if (!plug.Ok()) {
    state.SkipWithError(("cannot load " + BuiltPlugin().Path()).c_str());
    return;
  }
  for (auto _ : state) {
    plug.Process(b);
    benchmark::DoNotOptimize(b.outL.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void BM_VstFloat_Volume(benchmark::State& state) { RunPlugin(state, kTargetVolume); }
void BM_VstFloat_LowHigh(benchmark::State& state) { RunPlugin(state, kTargetLowHigh); }

void BM_Floor_StereoGain(benchmark::State& state) {
  double k = 0.8;
  benchmark::DoNotOptimize(k);
  TimeStereoLoop<float>(state, [k](const float* inL, const float* inR, float* outL, float* outR) {
    for (int i = 0; i < kBlock; ++i) {
      outL[i] = (float)(inL[i] * k);
      outR[i] = (float)(inR[i] * k);
    }
  });
}

void BM_Floor_BandSplit(benchmark::State& state) {
  double coef = std::exp(-2.0 * M_PI * 1000.0 / kRate);
  benchmark::DoNotOptimize(coef);
  double lowL = 0.0, lowR = 0.0;
  TimeStereoLoop<float>(state, [&](const float* inL, const float* inR, float* outL, float* outR) {
    for (int i = 0; i < kBlock; ++i) {
      const double l = inL[i], r = inR[i];
      lowL = (lowL - l) * coef + l;
      lowR = (lowR - r) * coef + r;
      outL[i] = (float)lowL;
      outR[i] = (float)lowR;
    }
  });
}

BENCHMARK(BM_Floor_StereoGain);
BENCHMARK(BM_VstFloat_Volume);
BENCHMARK(BM_Floor_BandSplit);
BENCHMARK(BM_VstFloat_LowHigh);

} // namespace

int main(int argc, char** argv) {
  return RunRatioBenchmarks(argc, argv,
                            {{"BM_VstFloat_Volume", "BM_Floor_StereoGain",
                              "float Volume / plain stereo gain (goal <= 3.5)"},
                             {"BM_VstFloat_LowHigh", "BM_Floor_BandSplit",
                              "float Low-High / bit-exact band split floor (goal <= 1.2)"}});
}
