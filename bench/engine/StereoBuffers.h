#pragma once
// The stereo blocks the engine benchmarks process: deterministic noise in, room out, and
// the timing loop of a plain per-block loop over them.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

constexpr int kBenchBlock = 512;

template <class T> struct StereoBuffers {
  StereoBuffers() : inL(kBenchBlock), inR(kBenchBlock), outL(kBenchBlock), outR(kBenchBlock) {
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    for (int i = 0; i < kBenchBlock; ++i) {
      inL[i] = (T)noise(rng);
      inR[i] = (T)noise(rng);
    }
  }
  std::vector<T> inL, inR, outL, outR;
};

// Times body(inL, inR, outL, outR), one block per iteration, kept from being optimised away.
template <class T, class Body> void TimeStereoLoop(benchmark::State& state, Body body) {
  StereoBuffers<T> b;
  for (auto _ : state) {
    body((const T*)b.inL.data(), (const T*)b.inR.data(), b.outL.data(), b.outR.data());
    benchmark::DoNotOptimize(b.outL.data());
    benchmark::DoNotOptimize(b.outR.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBenchBlock);
}
