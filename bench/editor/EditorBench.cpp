// The editor's drawing cost against a memcpy of its 620 x 355 surface in the same run:
// a full redraw (what opening the window paints) and an idle tick while the gate plays
// (the two activity displays, always dirty, and whatever their rectangle meets).
#include "Corvanel.h"
#include "IGraphicsLinux.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr size_t kSurfaceBytes = (size_t)620 * 355 * 4;

struct Editor {
  CLS_CORVANEL plug{IPlugInstanceInfo{}};
  IGraphicsLinux* g = static_cast<IGraphicsLinux*>(plug.GetGUI());
  Editor() {
    plug.OpenLikeHost(44100.0, 512);
    g->OpenWindow(nullptr);
    g->Tick(); // the first paint decodes the images and makes the fonts
    g->Tick();
  }
};

void Memcpy(benchmark::State& state) {
  std::vector<unsigned char> a(kSurfaceBytes, 1), b(kSurfaceBytes, 2);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), kSurfaceBytes);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
}

void BM_FullRedraw(benchmark::State& state) {
  Editor e;
  IRECT all(0, 0, 620, 355);
  for (auto _ : state) {
    e.g->SetAllControlsDirty();
    e.g->Draw(&all);
    benchmark::ClobberMemory();
  }
}
void BM_FullRedraw_memcpy(benchmark::State& state) { Memcpy(state); }

void BM_IdleTick(benchmark::State& state) {
  Editor e;
  for (auto _ : state) {
    IRECT r;
    if (e.g->IsDirty(&r)) e.g->Draw(&r);
    benchmark::ClobberMemory();
  }
}
void BM_IdleTick_memcpy(benchmark::State& state) { Memcpy(state); }

BENCHMARK(BM_FullRedraw);
BENCHMARK(BM_FullRedraw_memcpy);
BENCHMARK(BM_IdleTick);
BENCHMARK(BM_IdleTick_memcpy);

} // namespace

int main(int argc, char** argv) { return RunRatioBenchmarks(argc, argv); }
