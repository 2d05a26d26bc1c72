// The stand-in's CoreGraphics and CoreText keep the platform's rules the drawing layer relies
// on: a bottom-up device space, saved states with clips, images drawn upright, the text
// matrix and position, frames broken at line feeds, and reference counts.
#include "MacStandIn.h"

#include <CoreText/CoreText.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

class MacGraphicsStandIn : public ::testing::Test {
protected:
  void SetUp() override { mLive = CorvanelMac_LiveObjects(); }
  void TearDown() override {
    EXPECT_EQ(CorvanelMac_LiveObjects(), mLive);
    EXPECT_EQ(CorvanelMac_OverReleases(), 0);
  }
  // A context over w x h zeroed pixels, bytes X, R, G, B.
  CGContextRef Make(std::vector<unsigned char>& pixels, int w, int h) {
    pixels.assign((size_t)w * h * 4, 0);
    CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
    CGContextRef c = CGBitmapContextCreate(pixels.data(), w, h, 8, (size_t)w * 4, space,
                                           kCGImageAlphaNoneSkipFirst);
    CGColorSpaceRelease(space);
    return c;
  }
  static bool Red(const std::vector<unsigned char>& p, int w, int x, int row) {
    return p[((size_t)row * w + x) * 4 + 1] == 255;
  }
  long mLive = 0;
};

TEST_F(MacGraphicsStandIn, DeviceSpaceGrowsUpwardAndSavedStatesKeepTheirClips) {
  std::vector<unsigned char> p;
  CGContextRef c = Make(p, 8, 4);
  ASSERT_NE(c, nullptr);
  CGContextSetRGBFillColor(c, 1, 0, 0, 1);
  CGContextFillRect(c, CGRectMake(0, 0, 2, 1)); // the bottom row of the memory
  EXPECT_TRUE(Red(p, 8, 0, 3) && Red(p, 8, 1, 3));
  EXPECT_FALSE(Red(p, 8, 2, 3) || Red(p, 8, 0, 0));
  EXPECT_EQ(p[(3 * 8) * 4], 0xff); // the skipped byte of a filled pixel

  std::fill(p.begin(), p.end(), 0);
  CGContextSaveGState(c);
  CGContextClipToRect(c, CGRectMake(4, 0, 4, 4));
  CGContextFillRect(c, CGRectMake(0, 0, 8, 4));
  CGContextRestoreGState(c);
  for (int row = 0; row < 4; ++row)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(Red(p, 8, x, row), x >= 4) << x << "," << row;
  CGContextFillRect(c, CGRectMake(0, 0, 8, 4)); // the clip went with the state
  EXPECT_TRUE(Red(p, 8, 0, 0));
  // Layouts the stand-in does not draw are refused.
  CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
  EXPECT_EQ(CGBitmapContextCreate(p.data(), 8, 4, 8, 32, space, kCGImageAlphaNoneSkipLast),
            nullptr);
  EXPECT_EQ(CGBitmapContextCreate(p.data(), 8, 4, 8, 16, space, kCGImageAlphaNoneSkipFirst),
            nullptr);
  CGContextRelease(c);
}

TEST_F(MacGraphicsStandIn, AnImageIsACopyAndDrawsUpright) {
  std::vector<unsigned char> src, plain, flipped;
  CGContextRef s = Make(src, 4, 3);
  CGContextSetRGBFillColor(s, 1, 0, 0, 1);
  CGContextFillRect(s, CGRectMake(0, 2, 4, 1)); // the top row
  CGImageRef image = CGBitmapContextCreateImage(s);
  CGContextFillRect(s, CGRectMake(0, 0, 4, 1)); // after the image was made
  EXPECT_EQ(CGImageGetWidth(image), 4u);

  CGContextRef a = Make(plain, 4, 3), b = Make(flipped, 4, 3);
  CGContextDrawImage(a, CGRectMake(0, 0, 4, 3), image);
  CGContextTranslateCTM(b, 0, 3);
  CGContextScaleCTM(b, 1, -1);
  CGContextDrawImage(b, CGRectMake(0, 0, 4, 3), image);
  for (int x = 0; x < 4; ++x) {
    EXPECT_TRUE(Red(plain, 4, x, 0));
    EXPECT_FALSE(Red(plain, 4, x, 2)); // the later fill is not in the image
    EXPECT_TRUE(Red(flipped, 4, x, 2)); // a flipped context turns it over
    EXPECT_FALSE(Red(flipped, 4, x, 0));
  }
  CGImageRelease(image);
  CGContextRelease(a);
  CGContextRelease(b);
  CGContextRelease(s);
}

TEST_F(MacGraphicsStandIn, LinesDrawAtTheTextPositionThroughTheTextMatrix) {
  CTFontRef font = CTFontCreateWithName(CFSTR("Arial"), 20, nullptr);
  ASSERT_NE(font, nullptr);
  const CGFloat green[4] = {0, 1, 0, 1};
  CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
  CGColorRef color = CGColorCreate(space, green);
  CFMutableDictionaryRef attributes = CFDictionaryCreateMutable(
      nullptr, 2, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(attributes, kCTFontAttributeName, font);
  CFDictionarySetValue(attributes, kCTForegroundColorAttributeName, color);
  CGColorRelease(color); // the dictionary holds it
  CFAttributedStringRef text = CFAttributedStringCreate(nullptr, CFSTR("HH"), attributes);
  CFRelease(attributes);
  CTLineRef line = CTLineCreateWithAttributedString(text);
  CFRelease(text);

  // In a flipped context: with the text matrix flipped too the glyphs stand on the baseline
  // (y 30 from the top); with the identity they hang from it.
  for (bool flipText : {true, false}) {
    std::vector<unsigned char> p;
    CGContextRef c = Make(p, 80, 60);
    CGContextTranslateCTM(c, 0, 60);
    CGContextScaleCTM(c, 1, -1);
    CGContextSetTextMatrix(c, flipText ? CGAffineTransformMakeScale(1, -1)
                                       : CGAffineTransformIdentity);
    CGContextSetTextPosition(c, 10, 30);
    CTLineDraw(line, c);
    int top = 60, bottom = -1, left = 80;
    for (int row = 0; row < 60; ++row)
      for (int x = 0; x < 80; ++x)
        if (p[((size_t)row * 80 + x) * 4 + 2] > 128) {
          EXPECT_EQ(p[((size_t)row * 80 + x) * 4 + 1], 0); // green, not red
          top = std::min(top, row), bottom = std::max(bottom, row), left = std::min(left, x);
        }
    ASSERT_GE(bottom, 0);
    if (flipText) {
      EXPECT_EQ(bottom, 29);
      EXPECT_LT(top, 20);
    } else {
      EXPECT_EQ(top, 30);
      EXPECT_GT(bottom, 40);
    }
    EXPECT_GE(left, 10);
    EXPECT_LE(left, 13);
    CGContextRelease(c);
  }
  CFRelease(line);
  CFRelease(font);
}

TEST_F(MacGraphicsStandIn, FramesBreakAtLineFeedsAndStackTheirLines) {
  CTFontRef font = CTFontCreateUIFontForLanguage(kCTFontUIFontLabel, 12, nullptr);
  ASSERT_NE(font, nullptr);
  CFMutableDictionaryRef attributes = CFDictionaryCreateMutable(
      nullptr, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(attributes, kCTFontAttributeName, font);
  CFAttributedStringRef text = CFAttributedStringCreate(nullptr, CFSTR("a\n\nbb\n"), attributes);
  CFRelease(attributes);
  CTFramesetterRef setter = CTFramesetterCreateWithAttributedString(text);
  CFRelease(text);
  CGPathRef path = CGPathCreateWithRect(CGRectMake(0, 0, 300, 200), nullptr);
  CTFrameRef frame = CTFramesetterCreateFrame(setter, CFRangeMake(0, 0), path, nullptr);
  CGPathRelease(path);
  CFRelease(setter);
  CFArrayRef lines = CTFrameGetLines(frame);
  ASSERT_EQ(CFArrayGetCount(lines), 3); // no empty line after the last line feed
  CGPoint origins[3];
  CTFrameGetLineOrigins(frame, CFRangeMake(0, 0), origins);
  const double a = CTFontGetAscent(font), step = a + CTFontGetDescent(font) + CTFontGetLeading(font);
  const CFIndex starts[3] = {0, 2, 3}, lengths[3] = {2, 1, 3};
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(origins[i].y, 200 - a - i * step) << i;
    EXPECT_EQ(origins[i].x, 0);
    const CFRange range = CTLineGetStringRange((CTLineRef)CFArrayGetValueAtIndex(lines, i));
    EXPECT_EQ(range.location, starts[i]);
    EXPECT_EQ(range.length, lengths[i]);
  }
  EXPECT_EQ(CTLineGetTypographicBounds((CTLineRef)CFArrayGetValueAtIndex(lines, 1), nullptr,
                                       nullptr, nullptr),
            0.0);
  CFRelease(frame);
  CFRelease(font);
}

TEST_F(MacGraphicsStandIn, FontsAreFoundByPostScriptNameOrFamilyAndStyle) {
  CTFontRef bold = CTFontCreateWithName(CFSTR("Arial Bold"), 10, nullptr);
  CFStringRef name = CTFontCopyPostScriptName(bold);
  char ps[128] = "";
  ASSERT_TRUE(CFStringGetCString(name, ps, sizeof(ps), kCFStringEncodingUTF8));
  CFRelease(name);
  CFStringRef psName = CFStringCreateWithCString(nullptr, ps, kCFStringEncodingUTF8);
  CTFontRef again = CTFontCreateWithName(psName, 30, nullptr);
  CFRelease(psName);
  CFStringRef name2 = CTFontCopyPostScriptName(again);
  char ps2[128] = "";
  CFStringGetCString(name2, ps2, sizeof(ps2), kCFStringEncodingUTF8);
  EXPECT_STREQ(ps, ps2);
  EXPECT_EQ(CTFontGetSize(again), 30.0);
  EXPECT_NEAR(CTFontGetAscent(again), 3 * CTFontGetAscent(bold), 1e-9);
  CFRelease(name2);
  CFRelease(again);
  CFRelease(bold);
}

} // namespace
