// The macOS drawing layer on CoreGraphics and CoreText (here the frameworks' stand-in): the
// system bitmap's memory and coordinates, font names resolved once, text measured and placed
// from CoreText's metrics, the prepared text as drawn, clipping, the opaque background,
// antialiasing, and the record pools.
#include "MacTextRules.h"
#include "MacStandIn.h"
#include "lice_native_font.h"
#include "lice_sysbitmap.h"

#include <CoreText/CoreText.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const LICE_pixel kBlack = LICE_RGBA(0, 0, 0, 255);
const LICE_pixel kWhite = LICE_RGBA(255, 255, 255, 255);

struct Ink {
  int l = 1 << 30, t = 1 << 30, r = -1, b = -1; // r and b inclusive
  int count = 0;
};

// The pixels whose colour differs from background.
Ink InkOf(LICE_IBitmap& bm, LICE_pixel background) {
  Ink ink;
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x) {
      const LICE_pixel p = LICE_RowPtr(&bm, y)[x];
      if (LICE_GETR(p) == LICE_GETR(background) && LICE_GETG(p) == LICE_GETG(background) &&
          LICE_GETB(p) == LICE_GETB(background))
        continue;
      ++ink.count;
      ink.l = std::min(ink.l, x), ink.r = std::max(ink.r, x);
      ink.t = std::min(ink.t, y), ink.b = std::max(ink.b, y);
    }
  return ink;
}

// A black system bitmap.
std::unique_ptr<LICE_SysBitmap> Surface(int w, int h) {
  auto bm = std::make_unique<LICE_SysBitmap>(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      LICE_RowPtr(bm.get(), y)[x] = kBlack;
  return bm;
}

// CoreText's own line metrics and width of a text in a font of the layer.
struct Measured {
  double mWidth, mAscent, mDescent, mLeading;
};
Measured Measure(LICE_HFONT font, const char* text) {
  CFStringRef s = CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
  CFMutableDictionaryRef attributes = CFDictionaryCreateMutable(
      nullptr, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(attributes, kCTFontAttributeName, font->mFont);
  CFAttributedStringRef a = CFAttributedStringCreate(nullptr, s, attributes);
  CTLineRef line = CTLineCreateWithAttributedString(a);
  Measured m;
  m.mWidth = CTLineGetTypographicBounds(line, &m.mAscent, &m.mDescent, &m.mLeading);
  CFRelease(line);
  CFRelease(a);
  CFRelease(attributes);
  CFRelease(s);
  return m;
}

class MacDrawingLayer : public ::testing::Test {
protected:
  void SetUp() override {
    mFont = LICE_CreateNativeFont("Arial", 16, 0, 0, 400, false, LICE_FONT_QUALITY_ANTIALIASED);
    ASSERT_NE(mFont, nullptr);
  }
  void TearDown() override { LICE_DestroyNativeFont(mFont); }

  int Draw(LICE_SysBitmap& bm, const char* text, LICE_RECT r, int flags,
           int bkmode = LICE_BKMODE_TRANSPARENT, LICE_pixel bk = 0, LICE_HFONT font = nullptr) {
    return LICE_NativeDrawText(bm.getDrawingContext(), font ? font : mFont, text, -1, &r, flags,
                               kWhite, bkmode, bk);
  }
  LICE_RECT Box(const char* text, int flags = 0, int len = -1) {
    LICE_RECT r = {10, 20, 10, 20};
    LICE_NativeDrawText(nullptr, mFont, text, len, &r, flags | LICE_DT_CALCRECT, kWhite,
                        LICE_BKMODE_TRANSPARENT, 0);
    return r;
  }
  LICE_HFONT mFont = nullptr;
};

// ---- The system bitmap ------------------------------------------------------------------------

TEST(MacSystemBitmap, MemoryIsXRGBAndAFillAtTheTopLandsInTheFirstRow) {
  LICE_SysBitmap bm(10, 6);
  ASSERT_NE(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getRowSpan(), 12);
  EXPECT_EQ((uintptr_t)bm.getBits() % 64, 0u);
  for (int i = 0; i < 12 * 6; ++i)
    ASSERT_EQ(bm.getBits()[i], 0u) << i; // zero-filled

  MacContextRecord* record = (MacContextRecord*)bm.getDrawingContext();
  ASSERT_NE(record, nullptr);
  CGContextRef cg = (CGContextRef)record->mContext;
  EXPECT_EQ(CGBitmapContextGetData(cg), (void*)bm.getBits());
  EXPECT_EQ(CGBitmapContextGetBytesPerRow(cg), 48u);
  CGContextSetRGBFillColor(cg, 1.0, 0.5, 0.0, 1.0);
  CGContextFillRect(cg, CGRectMake(1, 0, 3, 1));
  const unsigned char* bytes = (const unsigned char*)bm.getBits();
  for (int x = 0; x < 12; ++x) {
    const bool filled = x >= 1 && x < 4;
    EXPECT_EQ(bytes[4 * x + 1], filled ? 255 : 0) << x; // R
    EXPECT_EQ(bytes[4 * x + 2], filled ? 128 : 0) << x; // G
    EXPECT_EQ(bytes[4 * x + 3], 0) << x;                // B
  }
  // The raster library reads the same bytes as channels.
  EXPECT_EQ(LICE_GETR(bm.getBits()[1]), 255u);
  EXPECT_EQ(LICE_GETG(bm.getBits()[1]), 128u);
  for (int i = 12; i < 12 * 6; ++i)
    EXPECT_EQ(bm.getBits()[i], 0u) << "row " << i / 12;

  // The text colour starts black.
  const CGFloat* k = CGColorGetComponents((CGColorRef)record->mTextColor);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k[0] + k[1] + k[2], 0.0);
  EXPECT_EQ(k[3], 1.0);
}

TEST(MacSystemBitmap, SizesItCannotHoldLeaveItEmpty) {
  const struct {
    int mW, mH;
  } cases[] = {{0, 5}, {5, 0}, {-3, 4}, {0x7ffffffd, 1}, {0x7ffffffc, 0x7fffffff}};
  for (const auto& c : cases) {
    LICE_SysBitmap bm(c.mW, c.mH);
    EXPECT_EQ(bm.getBits(), nullptr) << c.mW << "x" << c.mH;
    EXPECT_EQ(bm.getWidth(), 0);
    EXPECT_EQ(bm.getDrawingContext(), nullptr);
  }
  // A bitmap that grows gets a new context over the new storage.
  LICE_SysBitmap bm(4, 4);
  bm.resize(40, 30);
  MacContextRecord* record = (MacContextRecord*)bm.getDrawingContext();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(CGBitmapContextGetData((CGContextRef)record->mContext), (void*)bm.getBits());
  EXPECT_EQ(CGBitmapContextGetHeight((CGContextRef)record->mContext), 30u);
}

// ---- Fonts ------------------------------------------------------------------------------------

std::atomic<int> gResolved{0};
std::string CountingResolver(const std::string& face, void*) {
  ++gResolved;
  return "never";
}

TEST_F(MacDrawingLayer, EachFaceNameIsResolvedOnceAcrossFontsAndThreads) {
  const int before = MacFontNames().Size();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 10; ++i) {
        const bool bold = (i & 1) != 0;
        LICE_HFONT f = LICE_CreateNativeFont("Verdana", 10 + t + i, 0, 0, bold ? 700 : 400, false,
                                             LICE_FONT_QUALITY_DEFAULT);
        EXPECT_NE(f, nullptr);
        LICE_DestroyNativeFont(f);
      }
    });
  for (std::thread& t : threads)
    t.join();
  // "Verdana" and "Verdana Bold", once each; asked again, the table answers without resolving.
  EXPECT_EQ(MacFontNames().Size(), before + 2);
  gResolved = 0;
  const std::string resolved = MacFontNames().Resolve("Verdana Bold", CountingResolver, nullptr);
  EXPECT_EQ(gResolved, 0);

  // The stored name is the PostScript name CoreText gives at size 10.
  CTFontRef probe = CTFontCreateWithName(CFSTR("Verdana Bold"), 10, nullptr);
  CFStringRef ps = CTFontCopyPostScriptName(probe);
  char name[128] = "";
  CFStringGetCString(ps, name, sizeof(name), kCFStringEncodingUTF8);
  EXPECT_EQ(resolved, name);
  EXPECT_NE(resolved, "Verdana Bold");
  CFRelease(ps);
  CFRelease(probe);
}

TEST_F(MacDrawingLayer, SizesQualityAndLineMetricsFollowCoreText) {
  const struct {
    int mHeight, mQuality;
    double mSize;
    EMacAntialias mAntialias;
  } cases[] = {{16, LICE_FONT_QUALITY_ANTIALIASED, 16, kMacAntialiasOn},
               {-20, LICE_FONT_QUALITY_NONANTIALIASED, 20, kMacAntialiasOff},
               {1, LICE_FONT_QUALITY_DEFAULT, 10, kMacAntialiasDefault},
               {9000, LICE_FONT_QUALITY_CLEARTYPE, 10, kMacAntialiasDefault}};
  for (const auto& c : cases) {
    LICE_HFONT f = LICE_CreateNativeFont("Arial", c.mHeight, 0, 0, 400, false, c.mQuality);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(CTFontGetSize((CTFontRef)f->mFont), c.mSize) << c.mHeight;
    EXPECT_EQ(f->mAntialias, c.mAntialias) << c.mHeight;
    LICE_FontMetrics m;
    ASSERT_TRUE(LICE_NativeGetMetrics(nullptr, f, &m));
    CTFontRef ct = (CTFontRef)f->mFont;
    EXPECT_EQ(m.ascent, (int)CTFontGetAscent(ct));
    EXPECT_EQ(m.descent, (int)CTFontGetDescent(ct));
    EXPECT_EQ(m.leading, (int)CTFontGetLeading(ct));
    LICE_DestroyNativeFont(f);
  }
  // A face CoreText cannot name still gives a font.
  LICE_HFONT unknown = LICE_CreateNativeFont("", 12, 0, 0, 400, false, 0);
  EXPECT_NE(unknown, nullptr);
  LICE_DestroyNativeFont(unknown);
}

// ---- Text -------------------------------------------------------------------------------------

TEST_F(MacDrawingLayer, MeasuredBoxesComeFromTheTypographicBounds) {
  const Measured hello = Measure(mFont, "Hello"), ab = Measure(mFont, "ab");
  const int line = (int)std::floor(hello.mAscent + hello.mDescent + hello.mLeading + 1.5);
  struct Case {
    const char* mText;
    int mFlags, mWidth, mHeight;
  } cases[] = {
      {"Hello", 0, (int)std::lround(hello.mWidth), line + 1},
      {"ab\nHello", 0, (int)std::lround(hello.mWidth), 2 * line + 1},
      {"Hello\nab\n", 0, (int)std::lround(hello.mWidth), 2 * line + 1},
      {"ab\nHello", LICE_DT_SINGLELINE, (int)std::lround(Measure(mFont, "ab Hello").mWidth),
       line + 1},
      {"&ab", 0, (int)std::lround(ab.mWidth), line + 1},
      {"&ab", LICE_DT_NOPREFIX, (int)std::lround(Measure(mFont, "&ab").mWidth), line + 1},
      {"a&&b", 0, (int)std::lround(Measure(mFont, "a&b").mWidth), line + 1},
  };
  for (const Case& c : cases) {
    LICE_RECT r = {10, 20, 10, 20};
    EXPECT_EQ(LICE_NativeDrawText(nullptr, mFont, c.mText, -1, &r, c.mFlags | LICE_DT_CALCRECT,
                                  kWhite, 0, 0),
              c.mHeight)
        << c.mText;
    EXPECT_EQ(r.right - r.left, c.mWidth) << c.mText << " " << c.mFlags;
    EXPECT_EQ(r.bottom - r.top, c.mHeight) << c.mText << " " << c.mFlags;
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
  }
}

TEST_F(MacDrawingLayer, TextLongerThanTheBufferIsCut) {
  const std::string longText(5000, 'l'), fits(4095, 'l'), shorter(4094, 'l');
  EXPECT_EQ(Box(longText.c_str()).right, Box(fits.c_str()).right);
  EXPECT_GT(Box(fits.c_str()).right, Box(shorter.c_str()).right);
  // The byte count stops early.
  EXPECT_EQ(Box("Hello", 0, 3).right, Box("Hel").right);
}

TEST_F(MacDrawingLayer, AlignmentPlacesTheBoxAndEachBaselineSitsAtItsTopPlusTheAscent) {
  const LICE_RECT rect = {10, 4, 150, 76};
  const LICE_RECT box = Box("H\nH");
  const int w = box.right - box.left, h = box.bottom - box.top;
  const Measured m = Measure(mFont, "H");
  const int line = (int)std::floor(m.mAscent + m.mDescent + m.mLeading + 1.5);
  struct Case {
    int mFlags, mX, mY;
  } cases[] = {{0, 10, 4},
               {LICE_DT_RIGHT, 150 - w, 4},
               {LICE_DT_CENTER, 10 + 70 - w / 2, 4},
               {LICE_DT_BOTTOM, 10, 76 - h},
               {LICE_DT_VCENTER | LICE_DT_CENTER, 10 + 70 - w / 2, 4 + 36 - h / 2}};
  for (const Case& c : cases) {
    auto bm = Surface(160, 80);
    EXPECT_EQ(Draw(*bm, "H\nH", rect, c.mFlags), h);
    const Ink ink = InkOf(*bm, kBlack);
    ASSERT_GT(ink.count, 0) << c.mFlags;
    // An H stands on its baseline: the second line's ink ends one row above its baseline.
    EXPECT_EQ(ink.b, (int)std::lround(c.mY + line + m.mAscent) - 1) << c.mFlags;
    EXPECT_GE(ink.l, c.mX) << c.mFlags;
    EXPECT_LE(ink.l, c.mX + 3) << c.mFlags;
    EXPECT_LE(ink.r, c.mX + w) << c.mFlags;
  }
}

TEST_F(MacDrawingLayer, PrefixesAreDroppedUnlessTheFlagKeepsThem) {
  const LICE_RECT r = {5, 5, 195, 35};
  auto plain = Surface(200, 40), prefixed = Surface(200, 40), kept = Surface(200, 40);
  Draw(*plain, "File", r, 0);
  Draw(*prefixed, "&File", r, 0);
  Draw(*kept, "&File", r, LICE_DT_NOPREFIX);
  const int bytes = 200 * 40 * 4;
  EXPECT_EQ(std::memcmp(plain->getBits(), prefixed->getBits(), bytes), 0);
  EXPECT_NE(std::memcmp(plain->getBits(), kept->getBits(), bytes), 0);
  EXPECT_GT(InkOf(*kept, kBlack).r, InkOf(*plain, kBlack).r);
}

TEST_F(MacDrawingLayer, OutputStaysInTheRectangleUnlessNoClip) {
  const LICE_RECT r = {5, 5, 40, 25}; // narrower than the text
  auto clipped = Surface(200, 40), free = Surface(200, 40);
  Draw(*clipped, "Hello world", r, 0);
  Draw(*free, "Hello world", r, LICE_DT_NOCLIP);
  const Ink in = InkOf(*clipped, kBlack), out = InkOf(*free, kBlack);
  ASSERT_GT(in.count, 0);
  EXPECT_GE(in.l, 5);
  EXPECT_LT(in.r, 40);
  EXPECT_GE(in.t, 5);
  EXPECT_LT(in.b, 25);
  EXPECT_GT(out.r, 40);
  EXPECT_GT(out.count, in.count);
}

TEST_F(MacDrawingLayer, AnOpaqueBackgroundFillsTheTextBox) {
  const LICE_pixel blue = LICE_RGBA(0, 0, 200, 255);
  const LICE_RECT r = {20, 10, 180, 50};
  const LICE_RECT box = Box("Hi");
  const int w = box.right - box.left, h = box.bottom - box.top;
  auto opaque = Surface(200, 60), clear = Surface(200, 60);
  EXPECT_EQ(Draw(*opaque, "Hi", r, LICE_DT_CENTER, LICE_BKMODE_OPAQUE, blue), h);
  Draw(*clear, "Hi", r, LICE_DT_CENTER, LICE_BKMODE_TRANSPARENT, blue);
  const int x = 20 + 80 - w / 2;
  for (int y = 0; y < 60; ++y)
    for (int px = 0; px < 200; ++px) {
      const bool inBox = px >= x && px < x + w && y >= 10 && y < 10 + h;
      const LICE_pixel o = LICE_RowPtr(opaque.get(), y)[px], c = LICE_RowPtr(clear.get(), y)[px];
      if (!inBox) {
        ASSERT_EQ(LICE_GETB(o), 0u) << px << "," << y;
      } else if (LICE_GETR(c) == 0) { // no glyph here
        ASSERT_EQ(LICE_GETB(o), 200u) << px << "," << y;
      }
    }
  EXPECT_GT(InkOf(*opaque, kBlack).count, w * h / 2);
}

TEST_F(MacDrawingLayer, QualityChoosesAntialiasedOrPlainGlyphs) {
  LICE_HFONT plain = LICE_CreateNativeFont("Arial", 16, 0, 0, 400, false,
                                           LICE_FONT_QUALITY_NONANTIALIASED);
  const LICE_RECT r = {2, 2, 198, 38};
  for (LICE_HFONT font : {mFont, plain}) {
    auto bm = Surface(200, 40);
    Draw(*bm, "Rate 1/16", r, 0, LICE_BKMODE_TRANSPARENT, 0, font);
    int partial = 0, full = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 200; ++x) {
        const unsigned v = LICE_GETR(LICE_RowPtr(bm.get(), y)[x]);
        partial += v > 0 && v < 255;
        full += v == 255;
      }
    EXPECT_GT(full, 0);
    EXPECT_EQ(partial == 0, font == plain) << partial;
  }
  LICE_DestroyNativeFont(plain);
}

// ---- Record pools -----------------------------------------------------------------------------

TEST(MacDrawingPools, ReleasedRecordsWaitUpToTheirLimits) {
  {
    std::vector<std::unique_ptr<LICE_SysBitmap>> bitmaps;
    for (int i = 0; i < 150; ++i)
      bitmaps.push_back(std::make_unique<LICE_SysBitmap>(8, 8));
  }
  EXPECT_EQ(MacContexts().Waiting(), MacContextPool::kMaxWaiting);
  std::vector<LICE_HFONT> fonts;
  for (int i = 0; i < 250; ++i)
    fonts.push_back(LICE_CreateNativeFont("Arial", 12, 0, 0, 400, false, 0));
  for (LICE_HFONT f : fonts)
    LICE_DestroyNativeFont(f);
  EXPECT_EQ(MacFonts().Waiting(), MacFontPool::kMaxWaiting);
  // A waiting record is reused, cleared.
  MacFontRecord* waiting = MacFonts().Take();
  EXPECT_EQ(waiting->mFont, nullptr);
  MacFonts().Give(waiting);
  LICE_HFONT again = LICE_CreateNativeFont("Arial", 12, 0, 0, 400, false, 0);
  EXPECT_EQ(again, waiting);
  LICE_DestroyNativeFont(again);
}

TEST(MacDrawingPools, DrawingLeavesNoCoreFoundationObjectsBehind) {
  const long live = CorvanelMac_LiveObjects();
  {
    LICE_SysBitmap bm(100, 30);
    LICE_HFONT f = LICE_CreateNativeFont("Arial", 14, 0, 0, 400, false, 0);
    LICE_RECT r = {0, 0, 100, 30};
    LICE_NativeDrawText(bm.getDrawingContext(), f, "one\ntwo", -1, &r, 0, kWhite,
                        LICE_BKMODE_OPAQUE, 0);
    LICE_NativeDrawText(bm.getDrawingContext(), f, "one", -1, &r, LICE_DT_CALCRECT,
                        LICE_RGBA(1, 2, 3, 255), 0, 0);
    LICE_DestroyNativeFont(f);
  }
  EXPECT_EQ(CorvanelMac_LiveObjects(), live);
  EXPECT_EQ(CorvanelMac_OverReleases(), 0);
}

} // namespace
