// Text through the cached glyphs and the native path: measuring, coverage,
// alignment, colour alpha, UTF-8.
#include "lice_sysbitmap.h"
#include "lice_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct Box {
  int l = 1 << 30, t = 1 << 30, r = -1, b = -1;
  int count = 0;
  bool Empty() const { return count == 0; }
};

// The pixels that differ from `background`.
Box Changed(LICE_IBitmap& bm, LICE_pixel background) {
  Box box;
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x)
      if (LICE_RowPtr(&bm, y)[x] != background) {
        ++box.count;
        if (x < box.l) box.l = x;
        if (x > box.r) box.r = x;
        if (y < box.t) box.t = y;
        if (y > box.b) box.b = y;
      }
  return box;
}

class TextTest : public ::testing::Test {
protected:
  // A font that always draws through its glyph cache, and one that prefers the native renderer.
  void SetUp() override {
    mCached.reset(MakeFont("Arial", 16, kFontOwnsNative));
    mNative.reset(MakeFont("Arial", 16, kFontOwnsNative | kFontPreferNative));
    ASSERT_NE(mCached->GetNativeFont(), nullptr);
  }

  static LICE_CachedFont* MakeFont(const char* face, int height, int flags) {
    auto* font = new LICE_CachedFont();
    font->SetFromNativeFont(
        LICE_CreateNativeFont(face, height, 0, 0, 400, false, LICE_FONT_QUALITY_DEFAULT), flags);
    return font;
  }

  int Width(LICE_CachedFont* font, const char* text, int flags = 0) {
    LICE_RECT r = {10, 20, 10, 20};
    font->DrawText(nullptr, text, -1, &r, flags | LICE_DT_CALCRECT);
    EXPECT_EQ(r.left, 10);
    return r.right - r.left;
  }

  std::unique_ptr<LICE_CachedFont> mCached, mNative;
};

TEST_F(TextTest, FontsAreFoundByFamilyWithStandIns) {
  for (const char* face : {"Arial", "Verdana", "Times New Roman", "No Such Family At All"}) {
    LICE_HFONT f = LICE_CreateNativeFont(face, 14, 0, 0, 700, false, LICE_FONT_QUALITY_ANTIALIASED);
    EXPECT_NE(f, nullptr) << face;
    LICE_DestroyNativeFont(f);
  }
#ifdef CORVANEL_MACOS
  // The line is the font's ascent, descent and leading, and one more.
  LICE_FontMetrics m;
  ASSERT_TRUE(LICE_NativeGetMetrics(nullptr, mCached->GetNativeFont(), &m));
  EXPECT_EQ(mCached->GetLineHeight(), m.ascent + m.descent + m.leading + 1);
#else
  // The cell height is the requested height.
  EXPECT_EQ(mCached->GetLineHeight(), 16);
#endif
}

TEST_F(TextTest, MeasuresLinesAndAdvances) {
  const int hello = Width(mCached.get(), "Hello");
  EXPECT_GT(hello, 20);
  EXPECT_EQ(Width(mCached.get(), "HelloHello"), 2 * hello);
  EXPECT_EQ(Width(mNative.get(), "Hello"), hello); // both paths measure the same advances

  const int line = mCached->GetLineHeight();
  LICE_RECT r = {0, 0, 0, 0};
  EXPECT_EQ(mCached->DrawText(nullptr, "ab\nHello", -1, &r, LICE_DT_CALCRECT), 2 * line);
  EXPECT_EQ(r.right, hello);
  EXPECT_EQ(r.bottom, 2 * line);
  EXPECT_EQ(mCached->DrawText(nullptr, "ab\nHello", -1, &r, LICE_DT_CALCRECT | LICE_DT_SINGLELINE),
            line);
  EXPECT_EQ(r.right, Width(mCached.get(), "ab Hello"));

  mCached->SetLineSpacing(3);
  EXPECT_EQ(mCached->DrawText(nullptr, "a\nb\nc", -1, &r, LICE_DT_CALCRECT), 3 * line + 2 * 3);
  mCached->SetLineSpacing(0);

  EXPECT_EQ(Width(mCached.get(), "Hel", 0),
            Width(mCached.get(), "Hello") - Width(mCached.get(), "lo"));
  LICE_RECT part = {0, 0, 0, 0};
  mCached->DrawText(nullptr, "Hello", 3, &part, LICE_DT_CALCRECT); // a byte count stops early
  EXPECT_EQ(part.right, Width(mCached.get(), "Hel"));
}

TEST_F(TextTest, ReadsUtf8ByTheRules) {
  EXPECT_EQ(Width(mCached.get(), "a\rb"), Width(mCached.get(), "ab")); // CR skipped
  EXPECT_EQ(Width(mCached.get(), "a\xF0\x9F\x98\x80"
                                 "b"),
            Width(mCached.get(), "a b")); // 4 bytes: a space
  EXPECT_EQ(Width(mCached.get(), "\xff"),
            Width(mCached.get(), "\xC3\xBF"));    // a stray byte is itself
  EXPECT_GT(Width(mCached.get(), "\xC3\xA9"), 0); // e acute
  EXPECT_EQ(Width(mCached.get(), "\xE2\x82\xAC\xE2\x82\xAC"),
            2 * Width(mCached.get(), "\xE2\x82\xAC"));
}

TEST_F(TextTest, CachedGlyphsDrawInsideTheRectangleUnlessNoClip) {
  LICE_MemBitmap bm(120, 40);
  LICE_FillRect(&bm, 0, 0, 120, 40, 0, 1.0f, LICE_BLIT_MODE_COPY);
  mCached->SetTextColor(LICE_RGBA(255, 255, 255, 255));
  LICE_RECT r = {5, 5, 30, 25}; // narrower than the text
  mCached->DrawText(&bm, "Hello world", -1, &r, 0);
  Box clipped = Changed(bm, 0);
  ASSERT_FALSE(clipped.Empty());
  EXPECT_GE(clipped.l, 5);
  EXPECT_LT(clipped.r, 30);
  EXPECT_GE(clipped.t, 5);
  EXPECT_LT(clipped.b, 25);

  LICE_FillRect(&bm, 0, 0, 120, 40, 0, 1.0f, LICE_BLIT_MODE_COPY);
  mCached->DrawText(&bm, "Hello world", -1, &r, LICE_DT_NOCLIP);
  Box free = Changed(bm, 0);
  EXPECT_GT(free.r, 30);
  EXPECT_GT(free.count, clipped.count);
}

TEST_F(TextTest, AlignmentPlacesTheLine) {
  const int w = Width(mCached.get(), "Hi!");
  const int line = mCached->GetLineHeight();
  const int rectLeft = 10, rectRight = 110;
  struct Case {
    int flags, shift;
  };
  const Case cases[] = {{LICE_DT_LEFT, 0},
                        {LICE_DT_CENTER, (rectRight - rectLeft - w) / 2},
                        {LICE_DT_RIGHT, rectRight - rectLeft - w}};
  Box left;
  for (const Case& c : cases) {
    LICE_MemBitmap bm(130, 60);
    LICE_FillRect(&bm, 0, 0, 130, 60, 0, 1.0f, LICE_BLIT_MODE_COPY);
    mCached->SetTextColor(LICE_RGBA(255, 255, 255, 255));
    LICE_RECT r = {rectLeft, 4, rectRight, 56};
    EXPECT_EQ(mCached->DrawText(&bm, "Hi!", -1, &r, c.flags), line);
    Box box = Changed(bm, 0);
    ASSERT_FALSE(box.Empty());
    if (c.flags == LICE_DT_LEFT) left = box;
    EXPECT_EQ(box.l - left.l, c.shift) << c.flags;
    EXPECT_EQ(box.t, left.t) << c.flags;
  }
  // Vertical placement needs the single-line height: centre and bottom.
  for (int flags : {LICE_DT_VCENTER, LICE_DT_BOTTOM}) {
    LICE_MemBitmap bm(130, 60);
    LICE_FillRect(&bm, 0, 0, 130, 60, 0, 1.0f, LICE_BLIT_MODE_COPY);
    LICE_RECT r = {rectLeft, 4, rectRight, 56};
    mCached->DrawText(&bm, "Hi!", -1, &r, flags | LICE_DT_SINGLELINE);
    const int shift = flags == LICE_DT_VCENTER ? (52 - line) / 2 : 52 - line;
    EXPECT_EQ(Changed(bm, 0).t - left.t, shift) << flags;
  }
}

TEST_F(TextTest, ColourAlphaWeighsTheGlyphs) {
  // White on black: full coverage gives 255 at full weight; at colour alpha
  // 128 the weight is 128 and full coverage gives ia = 256 - 127, so 127.
  for (int alpha : {255, 128}) {
    LICE_MemBitmap bm(80, 24);
    LICE_FillRect(&bm, 0, 0, 80, 24, LICE_RGBA(0, 0, 0, 0), 1.0f, LICE_BLIT_MODE_COPY);
    mNative->SetTextColor(LICE_RGBA(255, 255, 255, alpha));
    LICE_RECT r = {2, 2, 78, 22};
    mNative->DrawText(&bm, "HIL", -1, &r, kTextUseColorAlpha);
    unsigned maxR = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 80; ++x) {
        const LICE_pixel p = LICE_RowPtr(&bm, y)[x];
        if (LICE_GETR(p) > maxR) maxR = LICE_GETR(p);
        if (alpha == 255) {
          ASSERT_EQ(LICE_GETA(p), LICE_GETR(p)) << x << "," << y; // same rule on transparent black
        }
      }
    EXPECT_EQ(maxR, alpha == 255 ? 255u : 127u);
  }
}

TEST_F(TextTest, AddModeAccumulates) {
  LICE_MemBitmap bm(60, 24);
  LICE_FillRect(&bm, 0, 0, 60, 24, LICE_RGBA(0, 0, 0, 255), 1.0f, LICE_BLIT_MODE_COPY);
  mCached->SetTextColor(LICE_RGBA(100, 0, 0, 255));
  mCached->SetCombineMode(LICE_BLIT_MODE_ADD, 1.0f);
  LICE_RECT r = {2, 2, 58, 22};
  mCached->DrawText(&bm, "H", -1, &r, 0);
  mCached->DrawText(&bm, "H", -1, &r, 0);
  unsigned maxR = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 60; ++x)
      maxR = std::max(maxR, LICE_GETR(LICE_RowPtr(&bm, y)[x]));
  EXPECT_EQ(maxR, 200u); // full coverage adds 100 x 256 / 256 each time
  mCached->SetCombineMode(LICE_BLIT_MODE_COPY, 1.0f);
}

TEST_F(TextTest, NativeAndCachedPathsPutTheTextInTheSamePlace) {
  LICE_SysBitmap viaNative(140, 30);
  LICE_MemBitmap viaCache(140, 30);
  for (LICE_IBitmap* bm : {(LICE_IBitmap*)&viaNative, (LICE_IBitmap*)&viaCache})
    LICE_FillRect(bm, 0, 0, 140, 30, LICE_RGBA(0, 0, 0, 255), 1.0f, LICE_BLIT_MODE_COPY);
  mNative->SetTextColor(LICE_RGBA(255, 255, 255, 255));
  mCached->SetTextColor(LICE_RGBA(255, 255, 255, 255));
  LICE_RECT r = {7, 6, 140, 30};
  mNative->DrawText(&viaNative, "Gate & jig 1/16", -1, &r, LICE_DT_NOCLIP);
  mCached->DrawText(&viaCache, "Gate & jig 1/16", -1, &r, LICE_DT_NOCLIP);
  // The same renderer places the same coverage: the touched pixels are the same ones.
  int touched = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 140; ++x) {
      const bool n = LICE_RowPtr(&viaNative, y)[x] != LICE_RGBA(0, 0, 0, 255);
      const bool c = LICE_RowPtr(&viaCache, y)[x] != LICE_RGBA(0, 0, 0, 255);
      touched += n;
      ASSERT_EQ(n, c) << x << "," << y;
    }
  EXPECT_GT(touched, 100);
}

TEST_F(TextTest, EmptyAndMissingInputsDrawNothing) {
  LICE_MemBitmap bm(20, 20);
  LICE_FillRect(&bm, 0, 0, 20, 20, 0, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_RECT r = {0, 0, 20, 20};
  mCached->DrawText(&bm, "", -1, &r, 0);
  mCached->DrawText(&bm, nullptr, -1, &r, 0);
  EXPECT_EQ(mCached->DrawText(&bm, "x", -1, nullptr, 0), 0);
  mCached->DrawText(&bm, " ", -1, &r, 0);
  EXPECT_TRUE(Changed(bm, 0).Empty());

  LICE_CachedFont noFont; // never given a native font
  EXPECT_EQ(noFont.DrawText(&bm, "abc", -1, &r, 0), 0);
  EXPECT_TRUE(Changed(bm, 0).Empty());
}

} // namespace
