// macOS native fonts and text: CoreText fonts in the drawing layer's font records, drawn
// into a system bitmap's CoreGraphics context (the layer's context record). The rules that
// need neither framework (text preparation, box sizes and placement, names, sizes, metrics,
// the name table and the record pools) are MacTextRules'.
#include "lice_native_font.h"
#include "MacTextRules.h"

#include <CoreGraphics/CoreGraphics.h>
#include <CoreText/CoreText.h>

#include <cmath>
#include <vector>

// Foundation's version number (NSObjCRuntime.h), declared here so that the layer stays C++.
extern "C" double NSFoundationVersionNumber;

namespace {

CFStringRef MakeString(const char* text) {
  return CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
}

// The PostScript name CoreText knows a face name by, asked at size 10.
std::string PostScriptName(const std::string& face, void*) {
  std::string answer;
  CFStringRef name = MakeString(face.c_str());
  CTFontRef font = name ? CTFontCreateWithName(name, 10.0, nullptr) : nullptr;
  CFStringRef ps = font ? CTFontCopyPostScriptName(font) : nullptr;
  char buffer[256];
  if (ps && CFStringGetCString(ps, buffer, sizeof(buffer), kCFStringEncodingUTF8)) answer = buffer;
  if (ps) CFRelease(ps);
  if (font) CFRelease(font);
  if (name) CFRelease(name);
  return answer;
}

// [editor thread; takes the drawing mutex] The font of a context that has none selected: the
// system label font of size 10, made once.
CTFontRef DefaultFont() {
  std::lock_guard<std::mutex> lock(MacDrawingMutex());
  static CTFontRef font = CTFontCreateUIFontForLanguage(kCTFontUIFontLabel, 10.0, nullptr);
  return font;
}

// The raster library always names the font it draws with; without one the label font stands in.
CTFontRef FontOf(LICE_HFONT font) {
  return font && font->mFont ? (CTFontRef)font->mFont : DefaultFont();
}

// Makes the context's text colour the given one, keeping the CGColor while it is the same.
void SetTextColor(MacContextRecord* context, LICE_pixel color) {
  const CGFloat want[4] = {LICE_GETR(color) / 255.0, LICE_GETG(color) / 255.0,
                           LICE_GETB(color) / 255.0, 1.0};
  const CGFloat* have = context->mTextColor ? CGColorGetComponents((CGColorRef)context->mTextColor)
                                            : nullptr;
  if (have && have[0] == want[0] && have[1] == want[1] && have[2] == want[2] && have[3] == want[3])
    return;
  CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
  CGColorRef made = CGColorCreate(space, want);
  CGColorSpaceRelease(space);
  if (!made) return;
  if (context->mTextColor) CGColorRelease((CGColorRef)context->mTextColor);
  context->mTextColor = (void*)made;
}

// The laid-out text: one line, or the lines of a frame, each with its metrics.
struct Layout {
  CTLineRef mLine = nullptr;
  CTFrameRef mFrame = nullptr;
  std::vector<CTLineRef> mLines;
  std::vector<CGFloat> mAscents;
  std::vector<int> mHeights;
  MacTextBox mBox;
  ~Layout() {
    if (mLine) CFRelease(mLine);
    if (mFrame) CFRelease(mFrame);
  }
};

void LayOut(CFAttributedStringRef text, bool severalLines, Layout* out) {
  CGFloat ascent = 0, descent = 0, leading = 0;
  if (!severalLines) {
    out->mLine = CTLineCreateWithAttributedString(text);
    if (!out->mLine) return;
    const double width = CTLineGetTypographicBounds(out->mLine, &ascent, &descent, &leading);
    out->mBox = MacSingleLineBox(width, ascent, descent, leading);
    out->mLines.push_back(out->mLine);
    out->mAscents.push_back(ascent);
    return;
  }
  CTFramesetterRef setter = CTFramesetterCreateWithAttributedString(text);
  CGPathRef path = CGPathCreateWithRect(CGRectMake(0, 0, 100000, 100000), nullptr);
  out->mFrame = setter && path ? CTFramesetterCreateFrame(setter, CFRangeMake(0, 0), path, nullptr)
                               : nullptr;
  if (path) CGPathRelease(path);
  if (setter) CFRelease(setter);
  CFArrayRef lines = out->mFrame ? CTFrameGetLines(out->mFrame) : nullptr;
  std::vector<int> widths;
  for (CFIndex i = 0, n = lines ? CFArrayGetCount(lines) : 0; i < n; ++i) {
    CTLineRef line = (CTLineRef)CFArrayGetValueAtIndex(lines, i);
    const double width = CTLineGetTypographicBounds(line, &ascent, &descent, &leading);
    out->mLines.push_back(line);
    out->mAscents.push_back(ascent);
    widths.push_back((int)std::lround(width));
    out->mHeights.push_back(MacTextLineHeight(ascent, descent, leading));
  }
  out->mBox = MacMultiLineBox(widths, out->mHeights);
}

} // namespace

LICE_HFONT LICE_CreateNativeFont(const char* face, int height, int escapement, int orientation,
                                 int weight, bool italic, int quality) {
  std::string name = MacFaceName(face, weight, italic);
  if (std::floor(NSFoundationVersionNumber) > 945)
    name = MacFontNames().Resolve(name, PostScriptName, nullptr);
  const double size = MacFontSize(height, 0);
  CFStringRef cfName = MakeString(name.c_str());
  CTFontRef font = cfName ? CTFontCreateWithName(cfName, size, nullptr) : nullptr;
  if (cfName) CFRelease(cfName);
  if (!font) font = CTFontCreateUIFontForLanguage(kCTFontUIFontLabel, size, nullptr);
  if (!font) return nullptr;
  MacFontRecord* record = MacFonts().Take();
  record->mFont = (void*)font;
  record->mAntialias = MacAntialiasFor(quality);
  record->mRotation = escapement / 10;
  return record;
}

void LICE_DestroyNativeFont(LICE_HFONT font) {
  if (!font) return;
  if (font->mFont) CFRelease((CTFontRef)font->mFont);
  font->mFont = nullptr;
  MacFonts().Give(font);
}

bool LICE_NativeGetMetrics(void* ctx, LICE_HFONT font, LICE_FontMetrics* m) {
  CTFontRef f = FontOf(font);
  if (!f || !m) return false;
  const MacLineMetrics lm =
      MacLineMetricsFor(CTFontGetAscent(f), CTFontGetDescent(f), CTFontGetLeading(f));
  m->ascent = lm.mAscent;
  m->descent = lm.mDescent;
  m->leading = lm.mLeading;
  return true;
}

bool LICE_AvoidNativeText() { return false; }

int LICE_NativeDrawText(void* ctx, LICE_HFONT font, const char* utf8, int len, LICE_RECT* r,
                        int flags, LICE_pixel color, int bkmode, LICE_pixel bkcolor) {
  if (!utf8 || !r) return 0;
  MacContextRecord* context = (MacContextRecord*)ctx;
  if (context) {
    context->mFont = font;
    SetTextColor(context, color);
    context->mBackColor = bkcolor;
    context->mBackMode = bkmode;
  }

  // 1-2: the text made ready, with the font and the text colour.
  MacPreparedText text;
  MacPrepareText(utf8, len, flags, &text);
  CFStringRef string = MakeString(text.mText);
  if (!string) return 0;
  CFMutableDictionaryRef attributes = CFDictionaryCreateMutable(
      kCFAllocatorDefault, 2, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(attributes, kCTFontAttributeName, FontOf(font));
  if (context && context->mTextColor)
    CFDictionarySetValue(attributes, kCTForegroundColorAttributeName, context->mTextColor);
  CFAttributedStringRef attributed = CFAttributedStringCreate(kCFAllocatorDefault, string, attributes);
  CFRelease(attributes);
  CFRelease(string);
  if (!attributed) return 0;

  // 3: laid out and measured.
  Layout layout;
  LayOut(attributed, text.mHasLineFeed, &layout);
  CFRelease(attributed);
  const MacTextBox& box = layout.mBox;

  // 4: measuring only.
  if (flags & LICE_DT_CALCRECT) {
    r->right = r->left + box.mWidth;
    r->bottom = r->top + box.mHeight;
    return box.mHeight;
  }

  // 5: placed, clipped and drawn, each line's baseline at its top plus its ascent.
  CGContextRef cg = context ? (CGContextRef)context->mContext : nullptr;
  if (!cg) return box.mHeight;
  int x, y;
  MacPlaceText(r->left, r->top, r->right, r->bottom, box, flags, &x, &y);
  CGContextSaveGState(cg);
  CGContextSetTextMatrix(cg, CGAffineTransformMakeScale(1, -1));
  if (!(flags & LICE_DT_NOCLIP))
    CGContextClipToRect(cg, CGRectMake(r->left, r->top, r->right - r->left, r->bottom - r->top));
  const EMacAntialias antialias = font ? font->mAntialias : kMacAntialiasDefault;
  if (antialias != kMacAntialiasDefault)
    CGContextSetShouldAntialias(cg, antialias == kMacAntialiasOn);
  if (bkmode == LICE_BKMODE_OPAQUE) {
    CGContextSetRGBFillColor(cg, LICE_GETR(bkcolor) / 255.0, LICE_GETG(bkcolor) / 255.0,
                             LICE_GETB(bkcolor) / 255.0, 1.0);
    CGContextFillRect(cg, CGRectMake(x, y, box.mWidth, box.mHeight));
  }
  double top = y;
  for (size_t i = 0; i < layout.mLines.size(); ++i) {
    CGContextSetTextPosition(cg, x, top + layout.mAscents[i]);
    CTLineDraw(layout.mLines[i], cg);
    if (i < layout.mHeights.size()) top += layout.mHeights[i];
  }
  CGContextRestoreGState(cg);
  return box.mHeight;
}
