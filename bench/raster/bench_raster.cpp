// Raster library speed against memcpy of the same bytes in the same run.
// Prints each case's time as a ratio to its memcpy baseline at the end.
#include "lice.h"
#include "lice_sysbitmap.h"
#include "lice_text.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const int kW = 620, kH = 355; // the editor's surface

void Fill(LICE_IBitmap& bm) {
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x)
      LICE_RowPtr(&bm, y)[x] = LICE_RGBA(x * 3, y * 5, x ^ y, (x * 7 + y) & 0xff); // every alpha
}

void Memcpy(benchmark::State& state, size_t bytes) {
  std::vector<unsigned char> a(bytes, 1), b(bytes, 2);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), bytes);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
}

void BM_BlitCopy(benchmark::State& state) {
  LICE_MemBitmap src(kW, kH);
  LICE_SysBitmap dst(kW, kH);
  Fill(src);
  for (auto _ : state) {
    LICE_Blit(&dst, &src, 0, 0, 0, 0, kW, kH, 1.0f, LICE_BLIT_MODE_COPY);
    benchmark::ClobberMemory();
  }
}
void BM_BlitCopy_memcpy(benchmark::State& state) { Memcpy(state, (size_t)kW * kH * 4); }

void BM_BlitAlpha(benchmark::State& state) {
  LICE_MemBitmap src(kW, kH);
  LICE_SysBitmap dst(kW, kH);
  Fill(src);
  for (auto _ : state) {
    LICE_Blit(&dst, &src, 0, 0, 0, 0, kW, kH, 1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
    benchmark::ClobberMemory();
  }
}
void BM_BlitAlpha_memcpy(benchmark::State& state) { Memcpy(state, (size_t)kW * kH * 4); }

void BM_FillQuarter(benchmark::State& state) {
  LICE_SysBitmap dst(kW, kH);
  Fill(dst);
  for (auto _ : state) {
    LICE_FillRect(&dst, 0, 0, kW, kH, LICE_RGBA(10, 200, 30, 255), 0.25f, LICE_BLIT_MODE_COPY);
    benchmark::ClobberMemory();
  }
}
void BM_FillQuarter_memcpy(benchmark::State& state) { Memcpy(state, (size_t)kW * kH * 4); }

void BM_RotatedBilinear(benchmark::State& state) {
  LICE_MemBitmap knob(50, 50);
  LICE_SysBitmap dst(kW, kH);
  Fill(knob);
  for (auto _ : state) {
    LICE_RotatedBlit(&dst, &knob, 100, 100, 50, 50, 0.0f, 0.0f, 50.0f, 50.0f, 2.3f, false, 1.0f,
                     LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA | LICE_BLIT_FILTER_BILINEAR);
    benchmark::ClobberMemory();
  }
}
void BM_RotatedBilinear_memcpy(benchmark::State& state) { Memcpy(state, 50 * 50 * 4); }

const char kLine[] = "Step 12 volume: 75 %"; // 20 characters

LICE_CachedFont* MakeFont(int flags) {
  auto* font = new LICE_CachedFont();
  font->SetFromNativeFont(
      LICE_CreateNativeFont("Arial", 12, 0, 0, 400, false, LICE_FONT_QUALITY_DEFAULT),
      flags | kFontOwnsNative);
  font->SetTextColor(LICE_RGBA(230, 230, 230, 255));
  return font;
}

size_t TextBytes(LICE_CachedFont* font) {
  LICE_RECT r = {0, 0, 0, 0};
  font->DrawText(nullptr, kLine, -1, &r, LICE_DT_CALCRECT | LICE_DT_SINGLELINE);
  return (size_t)(r.right - r.left) * (size_t)(r.bottom - r.top) * 4;
}

void Text(benchmark::State& state, int fontFlags) {
  LICE_CachedFont* font = MakeFont(fontFlags);
  LICE_SysBitmap dst(kW, kH);
  Fill(dst);
  LICE_RECT r = {10, 300, 610, 330};
  font->DrawText(&dst, kLine, -1, &r, LICE_DT_NOCLIP); // glyphs rendered once, outside the timing
  for (auto _ : state) {
    font->DrawText(&dst, kLine, -1, &r, LICE_DT_NOCLIP);
    benchmark::ClobberMemory();
  }
  delete font;
}
void BM_TextCached(benchmark::State& state) { Text(state, 0); }
void BM_TextNative(benchmark::State& state) { Text(state, kFontPreferNative); }
void BM_TextCached_memcpy(benchmark::State& state) {
  LICE_CachedFont* font = MakeFont(0);
  const size_t bytes = TextBytes(font);
  delete font;
  Memcpy(state, bytes);
}
void BM_TextNative_memcpy(benchmark::State& state) { BM_TextCached_memcpy(state); }

BENCHMARK(BM_BlitCopy);
BENCHMARK(BM_BlitCopy_memcpy);
BENCHMARK(BM_BlitAlpha);
BENCHMARK(BM_BlitAlpha_memcpy);
BENCHMARK(BM_FillQuarter);
BENCHMARK(BM_FillQuarter_memcpy);
BENCHMARK(BM_RotatedBilinear);
BENCHMARK(BM_RotatedBilinear_memcpy);
BENCHMARK(BM_TextCached);
BENCHMARK(BM_TextCached_memcpy);
BENCHMARK(BM_TextNative);
BENCHMARK(BM_TextNative_memcpy);

} // namespace

int main(int argc, char** argv) { return RunRatioBenchmarks(argc, argv); }
