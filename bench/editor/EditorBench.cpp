// The editor's drawing cost against a memcpy of its surface in the same run, at 100 %
// (620 x 355) and at 200 % (1240 x 710, drawn from the 2x art): a full redraw (what
// opening the window paints) and an idle tick while the gate plays (the two activity
// displays, always dirty, and whatever their rectangle meets).
#include "Corvanel.h"
#include "IGraphicsLinux.h"
#include "IScale.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

size_t SurfaceBytes(int percent) {
  return (size_t)editor_scale::ToDevice(620, percent) * editor_scale::ToDevice(355, percent) * 4;
}

struct Editor {
  CLS_CORVANEL plug{IPlugInstanceInfo{}};
  IGraphicsLinux* g = static_cast<IGraphicsLinux*>(plug.GetGUI());
  explicit Editor(int percent) {
    plug.OpenLikeHost(44100.0, 512);
    g->OpenWindow(nullptr);
    g->SetScale(percent);
    g->Tick(); // the first paint decodes the images and makes the fonts
    g->Tick();
  }
};

void Memcpy(benchmark::State& state, int percent) {
  const size_t bytes = SurfaceBytes(percent);
  std::vector<unsigned char> a(bytes, 1), b(bytes, 2);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), bytes);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
}

void FullRedraw(benchmark::State& state, int percent) {
  Editor e(percent);
  IRECT all(0, 0, 620, 355);
  for (auto _ : state) {
    e.g->SetAllControlsDirty();
    e.g->Draw(&all);
    benchmark::ClobberMemory();
  }
}

void IdleTick(benchmark::State& state, int percent) {
  Editor e(percent);
  for (auto _ : state) {
    IRECT r;
    if (e.g->IsDirty(&r)) e.g->Draw(&r);
    benchmark::ClobberMemory();
  }
}

void BM_FullRedraw(benchmark::State& state) { FullRedraw(state, 100); }
void BM_FullRedraw_memcpy(benchmark::State& state) { Memcpy(state, 100); }
void BM_IdleTick(benchmark::State& state) { IdleTick(state, 100); }
void BM_IdleTick_memcpy(benchmark::State& state) { Memcpy(state, 100); }
void BM_FullRedraw200(benchmark::State& state) { FullRedraw(state, 200); }
void BM_FullRedraw200_memcpy(benchmark::State& state) { Memcpy(state, 200); }
void BM_IdleTick200(benchmark::State& state) { IdleTick(state, 200); }
void BM_IdleTick200_memcpy(benchmark::State& state) { Memcpy(state, 200); }

BENCHMARK(BM_FullRedraw);
BENCHMARK(BM_FullRedraw_memcpy);
BENCHMARK(BM_IdleTick);
BENCHMARK(BM_IdleTick_memcpy);
BENCHMARK(BM_FullRedraw200);
BENCHMARK(BM_FullRedraw200_memcpy);
BENCHMARK(BM_IdleTick200);
BENCHMARK(BM_IdleTick200_memcpy);

} // namespace

int main(int argc, char** argv) { return RunRatioBenchmarks(argc, argv); }
