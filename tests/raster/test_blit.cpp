// Blits, fills and rotated copies: every combine rule at the pixels that
// matter, the word-wide shortcuts, clipping at every edge, rotation.
#include "lice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct Rgba {
  int r, g, b, a;
};

LICE_pixel Px(const Rgba& c) { return LICE_RGBA(c.r, c.g, c.b, c.a); }

::testing::AssertionResult SamePixel(LICE_pixel got, const Rgba& want) {
  if (got == Px(want)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got (" << LICE_GETR(got) << ", " << LICE_GETG(got) << ", " << LICE_GETB(got) << ", "
         << LICE_GETA(got) << ") want (" << want.r << ", " << want.g << ", " << want.b << ", "
         << want.a << ")";
}

LICE_pixel At(LICE_IBitmap& bm, int x, int y) { return LICE_RowPtr(&bm, y)[x]; }
void Put(LICE_IBitmap& bm, int x, int y, LICE_pixel p) { LICE_RowPtr(&bm, y)[x] = p; }

// Every pixel distinct, alpha included.
void Pattern(LICE_IBitmap& bm, int seed) {
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x)
      Put(bm, x, y, LICE_RGBA(seed + x * 16, seed + y * 16, x * 7 + y * 3, 255 - x - y));
}

TEST(PixelLayout, ChannelsSitWhereThePlatformWantsThem) {
  const LICE_pixel p = LICE_RGBA(0x11, 0x22, 0x33, 0x44);
  const unsigned char* b = (const unsigned char*)&p;
  EXPECT_EQ(b[LICE_PIXEL_R], 0x11);
  EXPECT_EQ(b[LICE_PIXEL_G], 0x22);
  EXPECT_EQ(b[LICE_PIXEL_B], 0x33);
  EXPECT_EQ(b[LICE_PIXEL_A], 0x44);
#ifdef CORVANEL_MACOS
  EXPECT_EQ(p, 0x33221144u); // bytes A, R, G, B
#else
  EXPECT_EQ(p, 0x44112233u); // 0xAARRGGBB, bytes B, G, R, A
#endif
}

// Source (200, 100, 30, sa) onto destination (50, 180, 255, 100).
struct BlitCase {
  int mode;
  float weight;
  int sa;
  Rgba want;
};

const BlitCase kBlitCases[] = {
    {LICE_BLIT_MODE_COPY, 1.0f, 0, {200, 100, 30, 0}},
    {LICE_BLIT_MODE_COPY, 1.0f, 128, {200, 100, 30, 128}},
    {LICE_BLIT_MODE_COPY, 1.0f, 255, {200, 100, 30, 255}},
    {LICE_BLIT_MODE_COPY, 0.5f, 0, {125, 140, 142, 50}},
    {LICE_BLIT_MODE_COPY, 0.5f, 128, {125, 140, 142, 114}},
    {LICE_BLIT_MODE_COPY, 0.5f, 255, {125, 140, 142, 177}},
    {LICE_BLIT_MODE_COPY, 0.25f, 0, {88, 160, 198, 75}},
    {LICE_BLIT_MODE_COPY, 0.25f, 128, {88, 160, 198, 107}},
    {LICE_BLIT_MODE_COPY, 0.25f, 255, {88, 160, 198, 139}},
    {LICE_BLIT_MODE_COPY, 0.75f, 0, {163, 120, 86, 25}},
    {LICE_BLIT_MODE_COPY, 0.75f, 128, {163, 120, 86, 121}},
    {LICE_BLIT_MODE_COPY, 0.75f, 255, {163, 120, 86, 217}},
    {LICE_BLIT_MODE_COPY, 0.3f, 0, {95, 156, 188, 70}},
    {LICE_BLIT_MODE_COPY, 0.3f, 128, {95, 156, 188, 109}},
    {LICE_BLIT_MODE_COPY, 0.3f, 255, {95, 156, 188, 147}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 1.0f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 1.0f, 128, {126, 139, 141, 228}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 1.0f, 255, {200, 100, 30, 255}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.5f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.5f, 128, {88, 160, 198, 164}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.5f, 255, {125, 140, 142, 228}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.25f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.25f, 128, {69, 170, 226, 132}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.25f, 255, {88, 160, 198, 164}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.75f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.75f, 128, {107, 150, 170, 196}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.75f, 255, {163, 120, 86, 255}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.3f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.3f, 128, {73, 168, 221, 138}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.3f, 255, {95, 156, 188, 176}},
    {LICE_BLIT_MODE_ADD, 1.0f, 0, {250, 255, 255, 100}},
    {LICE_BLIT_MODE_ADD, 1.0f, 128, {250, 255, 255, 228}},
    {LICE_BLIT_MODE_ADD, 1.0f, 255, {250, 255, 255, 255}},
    {LICE_BLIT_MODE_ADD, 0.5f, 0, {150, 230, 255, 100}},
    {LICE_BLIT_MODE_ADD, 0.5f, 128, {150, 230, 255, 164}},
    {LICE_BLIT_MODE_ADD, 0.5f, 255, {150, 230, 255, 227}},
    {LICE_BLIT_MODE_ADD, 0.25f, 0, {100, 205, 255, 100}},
    {LICE_BLIT_MODE_ADD, 0.25f, 128, {100, 205, 255, 132}},
    {LICE_BLIT_MODE_ADD, 0.25f, 255, {100, 205, 255, 163}},
    {LICE_BLIT_MODE_ADD, 0.75f, 0, {200, 255, 255, 100}},
    {LICE_BLIT_MODE_ADD, 0.75f, 128, {200, 255, 255, 196}},
    {LICE_BLIT_MODE_ADD, 0.75f, 255, {200, 255, 255, 255}},
    {LICE_BLIT_MODE_ADD, 0.3f, 0, {109, 209, 255, 100}},
    {LICE_BLIT_MODE_ADD, 0.3f, 128, {109, 209, 255, 138}},
    {LICE_BLIT_MODE_ADD, 0.3f, 255, {109, 209, 255, 175}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 1.0f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 1.0f, 128, {150, 230, 255, 164}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 1.0f, 255, {250, 255, 255, 255}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.5f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.5f, 128, {100, 205, 255, 132}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.5f, 255, {150, 230, 255, 227}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.25f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.25f, 128, {75, 192, 255, 116}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.25f, 255, {100, 205, 255, 163}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.75f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.75f, 128, {125, 217, 255, 148}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.75f, 255, {200, 255, 255, 255}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.3f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.3f, 128, {79, 194, 255, 119}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, 0.3f, 255, {109, 209, 255, 175}},
    {LICE_BLIT_MODE_DODGE, 1.0f, 0, {228, 255, 255, 100}},
    {LICE_BLIT_MODE_DODGE, 1.0f, 128, {228, 255, 255, 200}},
    {LICE_BLIT_MODE_DODGE, 1.0f, 255, {228, 255, 255, 255}},
    {LICE_BLIT_MODE_DODGE, 0.5f, 0, {82, 223, 255, 100}},
    {LICE_BLIT_MODE_DODGE, 0.5f, 128, {82, 223, 255, 133}},
    {LICE_BLIT_MODE_DODGE, 0.5f, 255, {82, 223, 255, 198}},
    {LICE_BLIT_MODE_DODGE, 0.25f, 0, {62, 199, 255, 100}},
    {LICE_BLIT_MODE_DODGE, 0.25f, 128, {62, 199, 255, 114}},
    {LICE_BLIT_MODE_DODGE, 0.25f, 255, {62, 199, 255, 132}},
    {LICE_BLIT_MODE_DODGE, 0.75f, 0, {120, 254, 255, 100}},
    {LICE_BLIT_MODE_DODGE, 0.75f, 128, {120, 254, 255, 160}},
    {LICE_BLIT_MODE_DODGE, 0.75f, 255, {120, 254, 255, 255}},
    {LICE_BLIT_MODE_DODGE, 0.3f, 0, {64, 202, 255, 100}},
    {LICE_BLIT_MODE_DODGE, 0.3f, 128, {64, 202, 255, 117}},
    {LICE_BLIT_MODE_DODGE, 0.3f, 255, {64, 202, 255, 141}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 1.0f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 1.0f, 128, {82, 223, 255, 133}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 1.0f, 255, {228, 255, 255, 255}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.5f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.5f, 128, {62, 199, 255, 114}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.5f, 255, {82, 223, 255, 198}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.25f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.25f, 128, {55, 188, 255, 106}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.25f, 255, {62, 199, 255, 132}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.75f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.75f, 128, {70, 210, 255, 123}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.75f, 255, {120, 254, 255, 255}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.3f, 0, {50, 180, 255, 100}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.3f, 128, {56, 190, 255, 108}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, 0.3f, 255, {64, 202, 255, 141}},
};

TEST(Blit, EveryCombineRuleAtAlphaZeroMiddleAndFull) {
  for (const BlitCase& c : kBlitCases) {
    LICE_MemBitmap src(1, 1), dst(1, 1);
    Put(src, 0, 0, LICE_RGBA(200, 100, 30, c.sa));
    Put(dst, 0, 0, LICE_RGBA(50, 180, 255, 100));
    LICE_Blit(&dst, &src, 0, 0, 0, 0, 1, 1, c.weight, c.mode);
    EXPECT_TRUE(SamePixel(At(dst, 0, 0), c.want))
        << "mode " << std::hex << c.mode << std::dec << " weight " << c.weight << " sa " << c.sa;
  }
}

TEST(Blit, FullWeightWithAlphaStopsShortOfTheSource) {
  // 255 - sa, not 256 - sa: a nearly opaque source leaves a trace of the destination.
  LICE_MemBitmap src(1, 1), dst(1, 1);
  Put(src, 0, 0, LICE_RGBA(0, 0, 0, 254));
  Put(dst, 0, 0, LICE_RGBA(255, 255, 255, 0));
  LICE_Blit(&dst, &src, 0, 0, 0, 0, 1, 1, 1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
  EXPECT_TRUE(SamePixel(At(dst, 0, 0), {0, 0, 0, 254}));
}

TEST(Blit, NothingAtZeroWeightOrWithoutStorage) {
  LICE_MemBitmap src(2, 2), dst(2, 2), empty(0, 0);
  Pattern(src, 1);
  Pattern(dst, 90);
  std::vector<LICE_pixel> before(LICE_RowPtr(&dst, 0), LICE_RowPtr(&dst, 0) + 2 * dst.getRowSpan());
  LICE_Blit(&dst, &src, 0, 0, 0, 0, 2, 2, 0.0f, LICE_BLIT_MODE_COPY);
  LICE_Blit(&dst, &src, 0, 0, 0, 0, 2, 2, 0.003f, LICE_BLIT_MODE_COPY); // w = 0
  LICE_Blit(&dst, &src, 0, 0, 0, 0, 2, 2, NAN, LICE_BLIT_MODE_COPY);
  LICE_Blit(&dst, &empty, 0, 0, 0, 0, 2, 2, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_Blit(&empty, &src, 0, 0, 0, 0, 2, 2, 1.0f, LICE_BLIT_MODE_COPY);
  EXPECT_EQ(before, std::vector<LICE_pixel>(LICE_RowPtr(&dst, 0),
                                            LICE_RowPtr(&dst, 0) + 2 * dst.getRowSpan()));
}

struct ClipCase {
  int dstx, dsty, srcx, srcy, srcw, srch;
};

TEST(Blit, ClipsAtEveryEdgeAndKeepsPixelsOnTheirPlaces) {
  const ClipCase cases[] = {
      {0, 0, 0, 0, 4, 3},   {-2, 0, 0, 0, 4, 3}, {0, -2, 0, 0, 4, 3},    {-3, -2, 1, 0, 4, 3},
      {3, 4, 0, 0, 4, 3},   {4, 1, 0, 0, 9, 9},  {1, 1, -2, -1, 4, 3},   {1, 0, 2, 1, 5, 5},
      {-10, 0, 0, 0, 4, 3}, {0, 5, 0, 0, 4, 3},  {-1, -1, -1, -1, 9, 9}, {2, 2, 0, 0, 0, 3},
  };
  for (const ClipCase& c : cases) {
    LICE_MemBitmap src(4, 3), dst(5, 5);
    Pattern(src, 1);
    Pattern(dst, 100);
    LICE_MemBitmap orig(5, 5);
    LICE_Blit(&orig, &dst, 0, 0, 0, 0, 5, 5, 1.0f, LICE_BLIT_MODE_COPY);
    LICE_Blit(&dst, &src, c.dstx, c.dsty, c.srcx, c.srcy, c.srcw, c.srch, 1.0f,
              LICE_BLIT_MODE_COPY);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 5; ++x) {
        // Destination pixel (x, y) shows source pixel (x - dstx + srcx, y - dsty + srcy)
        // when that lies in the requested rectangle and in the source bitmap.
        const int sx = x - c.dstx + c.srcx, sy = y - c.dsty + c.srcy;
        const bool inside = sx >= c.srcx && sx < c.srcx + c.srcw && sy >= c.srcy &&
                            sy < c.srcy + c.srch && sx >= 0 && sx < 4 && sy >= 0 && sy < 3;
        const LICE_pixel want = inside ? At(src, sx, sy) : At(orig, x, y);
        ASSERT_EQ(At(dst, x, y), want) << "case dst (" << c.dstx << ", " << c.dsty << ") src ("
                                       << c.srcx << ", " << c.srcy << ") at " << x << ", " << y;
      }
    }
  }
}

// Colour (201, 99, 31, ca) onto (51, 181, 255, 101). `general` is what the
// per-channel formula would give: the shortcuts differ from it in the low bits.
struct FillCase {
  int mode;
  float weight;
  int ca;
  Rgba want;
  Rgba general;
};

const FillCase kFillCases[] = {
    {LICE_BLIT_MODE_COPY, 1.0f, 255, {201, 99, 31, 255}, {201, 99, 31, 255}},
    {LICE_BLIT_MODE_COPY, 0.5f, 200, {125, 139, 142, 150}, {126, 140, 143, 115}},
    {LICE_BLIT_MODE_COPY, 0.25f, 200, {87, 159, 197, 125}, {89, 160, 199, 91}},
    {LICE_BLIT_MODE_COPY, 0.75f, 200, {162, 118, 85, 175}, {164, 119, 87, 170}},
    {LICE_BLIT_MODE_COPY, 0.3f, 200, {96, 156, 188, 93}, {96, 156, 188, 93}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 1.0f, 255, {201, 99, 31, 255}, {201, 99, 31, 255}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA,
     0.5f,
     255,
     {126, 140, 143, 115},
     {126, 140, 143, 115}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA,
     1.0f,
     128,
     {126, 140, 143, 115},
     {126, 140, 143, 115}},
    {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 1.0f, 0, {51, 181, 255, 101}, {51, 181, 255, 101}},
    {LICE_BLIT_MODE_ADD, 0.5f, 200, {151, 230, 255, 165}, {151, 230, 255, 165}},
    {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA,
     1.0f,
     255,
     {252, 255, 255, 255},
     {252, 255, 255, 255}},
    {LICE_BLIT_MODE_DODGE, 0.5f, 200, {83, 223, 255, 134}, {83, 223, 255, 134}},
    {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA,
     1.0f,
     255,
     {237, 255, 255, 255},
     {237, 255, 255, 255}},
};

TEST(FillRect, ShortcutsAtQuarterWeightsAndTheGeneralRules) {
  int differing = 0;
  for (const FillCase& c : kFillCases) {
    LICE_MemBitmap dst(1, 1);
    Put(dst, 0, 0, LICE_RGBA(51, 181, 255, 101));
    LICE_FillRect(&dst, 0, 0, 1, 1, LICE_RGBA(201, 99, 31, c.ca), c.weight, c.mode);
    EXPECT_TRUE(SamePixel(At(dst, 0, 0), c.want))
        << "mode " << std::hex << c.mode << std::dec << " weight " << c.weight << " ca " << c.ca;
    if (Px(c.want) != Px(c.general)) ++differing;
  }
  EXPECT_EQ(differing, 3); // weights 0.5, 0.25 and 0.75 take the shortcuts
}

TEST(FillRect, WeightedCopiesOfWideRowsFollowThePixelRule) {
  // Every pixel of a wide fill (whatever path fills it) follows the one-pixel rule:
  // c + (d - c) * (256 - w) / 256 truncated toward zero, the weight standing for alpha.
  uint32_t seed = 12345;
  auto next = [&seed]() { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int round = 0; round < 200; ++round) {
    const int w = 1 + (int)(next() % 23), h = 1 + (int)(next() % 3);
    const LICE_pixel color =
        LICE_RGBA(next() & 255, next() & 255, next() & 255, 1 + (next() % 254));
    const bool alpha = (next() & 1) != 0;
    const float weight = (float)(next() % 1000) / 1000.0f;
    const int mode = LICE_BLIT_MODE_COPY | (alpha ? LICE_BLIT_USE_ALPHA : 0);
    LICE_MemBitmap dst(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        Put(dst, x, y, LICE_RGBA(next() & 255, next() & 255, next() & 255, next() & 255));
    std::vector<LICE_pixel> expected;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        LICE_MemBitmap one(1, 1);
        Put(one, 0, 0, At(dst, x, y));
        LICE_FillRect(&one, 0, 0, 1, 1, color, weight, mode);
        expected.push_back(At(one, 0, 0));
      }
    LICE_FillRect(&dst, 0, 0, w, h, color, weight, mode);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(At(dst, x, y), expected[(size_t)(y * w + x)])
            << "round " << round << " at " << x << "," << y;
  }
  // And the one-pixel rule itself, worked by hand: d 100 toward c 200 at weight 0.75
  // (w 192): 200 + (100 - 200) * 64 / 256 = 175; alpha 192 + (10 - 192) * 64 / 256 = 147.
  LICE_MemBitmap px(5, 1);
  for (int x = 0; x < 5; ++x)
    Put(px, x, 0, LICE_RGBA(100, 100, 100, 10));
  LICE_FillRect(&px, 0, 0, 5, 1, LICE_RGBA(200, 200, 200, 255), 0.75f,
                LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
  for (int x = 0; x < 5; ++x)
    EXPECT_EQ(At(px, x, 0), LICE_RGBA(175, 175, 175, 147)) << x;
}

TEST(FillRect, ClipsToTheBitmap) {
  const int cases[][4] = {
      {-2, -2, 4, 4}, {3, 3, 10, 10}, {-5, 1, 3, 1}, {1, -9, 2, 20}, {0, 0, 0, 5}};
  for (const auto& c : cases) {
    LICE_MemBitmap dst(5, 5);
    LICE_FillRect(&dst, 0, 0, 5, 5, LICE_RGBA(0, 0, 0, 0), 1.0f, LICE_BLIT_MODE_COPY);
    const LICE_pixel red = LICE_RGBA(255, 0, 0, 255);
    LICE_FillRect(&dst, c[0], c[1], c[2], c[3], red, 1.0f, LICE_BLIT_MODE_COPY);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x) {
        const bool in = x >= c[0] && x < c[0] + c[2] && y >= c[1] && y < c[1] + c[3];
        ASSERT_EQ(At(dst, x, y), in ? red : 0u) << c[0] << "," << c[1] << " at " << x << "," << y;
      }
  }
}

TEST(RotatedBlit, AngleZeroReproducesTheSource) {
  for (int mode : {(int)LICE_BLIT_MODE_COPY, LICE_BLIT_MODE_COPY | LICE_BLIT_FILTER_BILINEAR}) {
    LICE_MemBitmap src(7, 5), dst(7, 5);
    Pattern(src, 3);
    LICE_FillRect(&dst, 0, 0, 7, 5, 0, 1.0f, LICE_BLIT_MODE_COPY);
    LICE_RotatedBlit(&dst, &src, 0, 0, 7, 5, 0.0f, 0.0f, 7.0f, 5.0f, 0.0f, false, 1.0f, mode);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x)
        ASSERT_EQ(At(dst, x, y), At(src, x, y)) << x << "," << y;
  }
}

TEST(RotatedBlit, QuarterTurnMatchesAHandRotatedImage) {
  // The walk maps pixel corners: turned by 90 degrees, destination column x
  // shows source row H - x, so column 0 falls just outside the source and stays
  // untouched, and the rest is the hand-turned image one column to the right.
  const int n = 6;
  LICE_MemBitmap src(n, n), dst(n, n);
  Pattern(src, 5);
  const LICE_pixel untouched = LICE_RGBA(1, 2, 3, 4);
  LICE_FillRect(&dst, 0, 0, n, n, untouched, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_RotatedBlit(&dst, &src, 0, 0, n, n, 0.0f, 0.0f, (float)n, (float)n, (float)(M_PI / 2), false,
                   1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_FILTER_BILINEAR);
  for (int y = 0; y < n; ++y) {
    EXPECT_EQ(At(dst, 0, y), untouched);
    for (int x = 1; x < n; ++x) {
      // Hand-turned: turned(x, y) = src(y, n - 1 - x); the blit shows turned(x - 1, y).
      ASSERT_EQ(At(dst, x, y), At(src, y, n - x)) << x << "," << y;
    }
  }
}

TEST(RotatedBlit, BilinearUpscaleWeighsTheNeighbours) {
  const Rgba want[4][4] = {
      {{10, 20, 30, 40}, {105, 100, 95, 147}, {200, 180, 160, 255}, {200, 180, 160, 255}},
      {{55, 10, 40, 84}, {77, 113, 123, 105}, {100, 217, 207, 127}, {100, 217, 207, 127}},
      {{100, 0, 50, 128}, {50, 127, 152, 64}, {0, 255, 255, 0}, {0, 255, 255, 0}},
      {{100, 0, 50, 128}, {50, 127, 152, 64}, {0, 255, 255, 0}, {0, 255, 255, 0}},
  };
  LICE_MemBitmap src(2, 2), dst(4, 4);
  Put(src, 0, 0, LICE_RGBA(10, 20, 30, 40));
  Put(src, 1, 0, LICE_RGBA(200, 180, 160, 255));
  Put(src, 0, 1, LICE_RGBA(100, 0, 50, 128));
  Put(src, 1, 1, LICE_RGBA(0, 255, 255, 0));
  LICE_RotatedBlit(&dst, &src, 0, 0, 4, 4, 0.0f, 0.0f, 2.0f, 2.0f, 0.0f, false, 1.0f,
                   LICE_BLIT_MODE_COPY | LICE_BLIT_FILTER_BILINEAR);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_TRUE(SamePixel(At(dst, x, y), want[y][x])) << x << "," << y;
}

TEST(RotatedBlit, NegativeSizesMirror) {
  LICE_MemBitmap src(5, 4), dst(5, 4);
  Pattern(src, 7);
  LICE_RotatedBlit(&dst, &src, 5, 4, -5, -4, 0.0f, 0.0f, 5.0f, 4.0f, 0.0f, false, 1.0f,
                   LICE_BLIT_MODE_COPY);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      ASSERT_EQ(At(dst, x, y), At(src, 4 - x, 3 - y)) << x << "," << y;
}

TEST(RotatedBlit, DestinationOffTheTopLeftWalksOnFromTheRightPoint) {
  // The same turned copy drawn at (-3, -2) and at (0, 0) in a larger bitmap.
  LICE_MemBitmap src(9, 9), clipped(6, 6), whole(9, 9);
  Pattern(src, 9);
  LICE_FillRect(&clipped, 0, 0, 6, 6, 0, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_FillRect(&whole, 0, 0, 9, 9, 0, 1.0f, LICE_BLIT_MODE_COPY);
  for (int mirror : {1, -1}) {
    const int x0 = mirror > 0 ? -3 : 6, y0 = mirror > 0 ? -2 : 7, w0 = mirror > 0 ? 0 : 9;
    LICE_RotatedBlit(&clipped, &src, x0, y0, 9 * mirror, 9 * mirror, 0.0f, 0.0f, 9.0f, 9.0f, 0.7f,
                     false, 1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_FILTER_BILINEAR);
    LICE_RotatedBlit(&whole, &src, w0, w0, 9 * mirror, 9 * mirror, 0.0f, 0.0f, 9.0f, 9.0f, 0.7f,
                     false, 1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_FILTER_BILINEAR);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x)
        ASSERT_EQ(At(clipped, x, y), At(whole, x + 3, y + 2)) << x << "," << y;
  }
}

TEST(RotatedBlit, ClipToSourceRectLeavesOutsidePointsUntouched) {
  LICE_MemBitmap src(8, 8), clip(4, 4), free(4, 4);
  Pattern(src, 2);
  LICE_FillRect(&clip, 0, 0, 4, 4, 0, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_FillRect(&free, 0, 0, 4, 4, 0, 1.0f, LICE_BLIT_MODE_COPY);
  // Turned by 45 degrees the corners of the destination reach beyond the 4 x 4 source rectangle.
  LICE_RotatedBlit(&clip, &src, 0, 0, 4, 4, 2.0f, 2.0f, 4.0f, 4.0f, 0.785398f, true, 1.0f,
                   LICE_BLIT_MODE_COPY);
  LICE_RotatedBlit(&free, &src, 0, 0, 4, 4, 2.0f, 2.0f, 4.0f, 4.0f, 0.785398f, false, 1.0f,
                   LICE_BLIT_MODE_COPY);
  int untouchedClip = 0, untouchedFree = 0;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      untouchedClip += At(clip, x, y) == 0;
      untouchedFree += At(free, x, y) == 0;
      if (At(clip, x, y)) {
        EXPECT_EQ(At(clip, x, y), At(free, x, y));
      }
    }
  EXPECT_GT(untouchedClip, 0);
  EXPECT_EQ(untouchedFree, 0);
}

TEST(RotatedBlit, BlendsWithTheBlitRules) {
  LICE_MemBitmap src(1, 1), viaBlit(1, 1), viaRotate(1, 1);
  Put(src, 0, 0, LICE_RGBA(200, 100, 30, 128));
  for (LICE_MemBitmap* d : {&viaBlit, &viaRotate})
    Put(*d, 0, 0, LICE_RGBA(50, 180, 255, 100));
  const int mode = LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA;
  LICE_Blit(&viaBlit, &src, 0, 0, 0, 0, 1, 1, 0.75f, mode);
  LICE_RotatedBlit(&viaRotate, &src, 0, 0, 1, 1, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, false, 0.75f, mode);
  EXPECT_EQ(At(viaRotate, 0, 0), At(viaBlit, 0, 0));
}

} // namespace
