// ProcessBlock for each Target at 512 stereo frames, beside a plain stereo gain over the
// same buffers (the baseline the ratios are taken against).
#include "Corvanel.h"
#include "StepWords.h"
#include "StereoBuffers.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kBlock = kBenchBlock;

class BenchPlug : public CLS_CORVANEL {
public:
  BenchPlug() : CLS_CORVANEL(IPlugInstanceInfo{}) {}
};

using Buffers = StereoBuffers<double>;

void BM_Baseline_StereoGain(benchmark::State& state) {
  const double k = 0.8;
  TimeStereoLoop<double>(state,
                         [k](const double* inL, const double* inR, double* outL, double* outR) {
                           for (int i = 0; i < kBlock; ++i) {
                             outL[i] = inL[i] * k;
                             outR[i] = inR[i] * k;
                           }
                         });
}

// The default pattern (times 50 %, volumes 100 %) at 1/16 and 120 BPM, with the volumes
// alternating so that the glide runs too.
void BM_ProcessBlock(benchmark::State& state) {
  Buffers b;
  BenchPlug plug;
  plug.mTestTempo = 120.0;
  plug.mTestTransport = 1;
  plug.OpenLikeHost(44100.0, kBlock);
  plug.GetParam(kTarget)->SetClamped((double)state.range(0));
  plug.ParamChanged(kTarget);
  uint16_t steps[kNumStepEntries];
  for (int e = 0; e < kNumStepEntries; ++e)
    steps[e] = plug.Steps()[e];
  StepsFromDigits("", "4242 4242 4242 4242", steps);
  for (int w = 0; w < kNumStepWords; ++w) {
    plug.GetParam(kStepWord0 + w)->SetClamped(PackStepWord(steps, w));
    plug.ParamChanged(kStepWord0 + w);
  }
  double* in[2] = {b.inL.data(), b.inR.data()};
  double* out[2] = {b.outL.data(), b.outR.data()};
  for (auto _ : state) {
    plug.UseTestTime();
    plug.ProcessBlock(in, out, kBlock);
    plug.mTestPosition += kBlock; // a playing host moves on, or the grid follows its jump
    benchmark::DoNotOptimize(b.outL.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}

BENCHMARK(BM_Baseline_StereoGain);
BENCHMARK(BM_ProcessBlock)
    ->Arg(kTargetVolume)
    ->Arg(kTargetLowGain)
    ->Arg(kTargetHighGain)
    ->Arg(kTargetLowHigh)
    ->ArgName("target");

} // namespace
