// The stand-in's CoreText: fonts found by fontconfig and rendered by FreeType at 72 pixels
// an inch, attributed strings with one set of attributes, lines laid out glyph by glyph, and
// frames that break at line feeds. Glyphs are blended into a bitmap context's pixels with its
// clip, antialiasing, transformation and text matrix.
#include "CGContext.h"
#include "CoreText/CoreText.h"
#include "lice_font_match.h"
#include "lice_utf8.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <fontconfig/fontconfig.h>

#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

// FreeType's library and faces are not safe across threads: every call into it holds this.
std::mutex& FreeTypeMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
FT_Library gLibrary = nullptr; // made on first use, kept for the process

std::string Text(CFStringRef s) {
  const CFIndex n = s ? CFStringGetLength(s) : 0;
  std::string text((size_t)n + 1, '\0');
  if (!s || !CFStringGetCString(s, &text[0], n + 1, kCFStringEncodingUTF8)) return std::string();
  text.resize((size_t)n);
  return text;
}

CFStringRef MakeString(const std::string& text) {
  return CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8);
}

bool EndsWith(std::string& name, const char* suffix) {
  const size_t n = std::strlen(suffix);
  if (name.size() <= n || name.compare(name.size() - n, n, suffix) != 0) return false;
  name.resize(name.size() - n);
  return true;
}

struct Glyph {
  int mLeft = 0, mTop = 0, mWidth = 0, mRows = 0;
  double mAdvance = 0;
  std::vector<unsigned char> mCoverage;
};

} // namespace

struct __CFAttributedString : CFObj {
  CFStringRef mString;
  CFDictionaryRef mAttributes; // retained, not copied
  __CFAttributedString() : CFObj(kCFAttributedStringType, false) {}
  void Finalize() override {
    CFRelease(mString);
    if (mAttributes) CFRelease(mAttributes);
  }
};

struct __CTFont : CFObj {
  FT_Face mFace = nullptr;
  double mSize = 0, mAscent = 0, mDescent = 0, mLeading = 0;
  bool mEmbolden = false; // the file has no bold face of its own
  std::string mPostScriptName, mFamily;
  std::unordered_map<unsigned, Glyph> mGlyphs; // by code point * 2 + monochrome
  __CTFont() : CFObj(kCTFontType, false) {}
  void Finalize() override {
    std::lock_guard<std::mutex> lock(FreeTypeMutex());
    FT_Done_Face(mFace);
    mFace = nullptr;
    mGlyphs.clear();
  }
  // [FreeType mutex held]
  const Glyph& Get(unsigned code, bool mono);
};

struct __CTLine : CFObj {
  CTFontRef mFont = nullptr; // retained
  bool mHasColor = false;
  CGFloat mColor[4] = {0, 0, 0, 1};
  std::vector<unsigned> mCodes;
  CFRange mRange = {0, 0};
  __CTLine() : CFObj(kCTLineType, false) {}
  void Finalize() override {
    if (mFont) CFRelease(mFont);
    mFont = nullptr;
  }
};

struct __CTFramesetter : CFObj {
  CFAttributedStringRef mString = nullptr;
  __CTFramesetter() : CFObj(kCTFramesetterType, false) {}
  void Finalize() override { CFRelease(mString); }
};

struct __CTFrame : CFObj {
  CFMutableArrayRef mLines = nullptr;
  std::vector<CGPoint> mOrigins;
  __CTFrame() : CFObj(kCTFrameType, false) {}
  void Finalize() override { CFRelease(mLines); }
};

const Glyph& __CTFont::Get(unsigned code, bool mono) {
  const unsigned key = code * 2 + (mono ? 1 : 0);
  auto it = mGlyphs.find(key);
  if (it != mGlyphs.end()) return it->second;
  Glyph& g = mGlyphs[key];
  const FT_Int32 load = mono ? (FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) : FT_LOAD_TARGET_NORMAL;
  if (FT_Load_Char(mFace, code, load) != 0) return g;
  FT_GlyphSlot slot = mFace->glyph;
  if (mEmbolden && slot->format == FT_GLYPH_FORMAT_OUTLINE)
    FT_Outline_Embolden(&slot->outline, mFace->size->metrics.x_ppem * 4); // 1/16 em, in 26.6
  g.mAdvance = slot->advance.x / 64.0;
  if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return g;
  const FT_Bitmap& bm = slot->bitmap;
  g.mLeft = slot->bitmap_left;
  g.mTop = slot->bitmap_top;
  g.mWidth = (int)bm.width;
  g.mRows = (int)bm.rows;
  g.mCoverage.assign((size_t)g.mWidth * g.mRows, 0);
  for (int y = 0; y < g.mRows; ++y) {
    const unsigned char* row = bm.buffer + (long)y * bm.pitch;
    for (int x = 0; x < g.mWidth; ++x)
      g.mCoverage[(size_t)y * g.mWidth + x] =
          bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0)
                                              : row[x];
  }
  return g;
}

namespace {

CTFontRef OpenFont(const LICE_FontFile& file, double size, bool wantBold) {
  std::lock_guard<std::mutex> lock(FreeTypeMutex());
  if (!gLibrary && FT_Init_FreeType(&gLibrary) != 0) {
    gLibrary = nullptr;
    return nullptr;
  }
  FT_Face face = nullptr;
  if (FT_New_Face(gLibrary, file.mPath.c_str(), file.mIndex, &face) != 0) return nullptr;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM <= 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  FT_Set_Char_Size(face, 0, (FT_F26Dot6)std::lround(size * 64.0), 72, 72);
  __CTFont* font = new __CTFont();
  font->mFace = face;
  font->mSize = size;
  const double scale = size / face->units_per_EM;
  font->mAscent = face->ascender * scale;
  font->mDescent = -face->descender * scale;
  font->mLeading = std::max(0.0, (face->height - face->ascender + face->descender) * scale);
  font->mEmbolden = wantBold && file.mFcWeight < FC_WEIGHT_DEMIBOLD;
  const char* ps = FT_Get_Postscript_Name(face);
  font->mPostScriptName = ps ? ps : file.mPostScriptName;
  font->mFamily = face->family_name ? face->family_name : file.mFamily;
  return (CTFontRef)font;
}

__CTFont* Font(CTFontRef f) { return CGObject<__CTFont>(f, kCTFontType); }
__CTLine* Line(CTLineRef l) { return CGObject<__CTLine>(l, kCTLineType); }
__CFAttributedString* Attributed(CFAttributedStringRef s) {
  return CGObject<__CFAttributedString>(s, kCFAttributedStringType);
}

double Width(__CTLine* line) {
  __CTFont* font = Font(line->mFont);
  if (!font) return 0;
  std::lock_guard<std::mutex> lock(FreeTypeMutex());
  double w = 0;
  for (unsigned code : line->mCodes)
    w += font->Get(code, false).mAdvance;
  return w;
}

} // namespace

const CFStringRef kCTFontAttributeName = CFSTR("NSFont");
const CFStringRef kCTForegroundColorAttributeName = CFSTR("CTForegroundColor");

// ---- Attributed strings -------------------------------------------------------------------------

CFTypeID CFAttributedStringGetTypeID(void) { return kCFAttributedStringType; }

CFAttributedStringRef CFAttributedStringCreate(CFAllocatorRef alloc, CFStringRef str,
                                               CFDictionaryRef attributes) {
  if (CFGetTypeID(str) != CFStringGetTypeID()) return nullptr;
  __CFAttributedString* s = new __CFAttributedString();
  s->mString = (CFStringRef)CFRetain(str);
  s->mAttributes = attributes ? (CFDictionaryRef)CFRetain(attributes) : nullptr;
  return (CFAttributedStringRef)s;
}
CFStringRef CFAttributedStringGetString(CFAttributedStringRef aStr) {
  __CFAttributedString* s = Attributed(aStr);
  return s ? s->mString : nullptr;
}
CFIndex CFAttributedStringGetLength(CFAttributedStringRef aStr) {
  __CFAttributedString* s = Attributed(aStr);
  return s ? CFStringGetLength(s->mString) : 0;
}
CFDictionaryRef CFAttributedStringGetAttributes(CFAttributedStringRef aStr, CFIndex loc,
                                                CFRange* effectiveRange) {
  __CFAttributedString* s = Attributed(aStr);
  if (!s) return nullptr;
  if (effectiveRange) *effectiveRange = CFRangeMake(0, CFStringGetLength(s->mString));
  return s->mAttributes;
}

// ---- Fonts ------------------------------------------------------------------------------------

CFTypeID CTFontGetTypeID(void) { return kCTFontType; }

CTFontRef CTFontCreateWithName(CFStringRef name, CGFloat size, const CGAffineTransform* matrix) {
  if (size <= 0) size = 12.0;
  std::string family = Text(name);
  LICE_FontFile file;
  bool bold = false;
  if (!LICE_FindFontFileByPostScriptName(family.c_str(), &file)) {
    const bool italic = EndsWith(family, " Italic");
    bold = EndsWith(family, " Bold");
    if (!LICE_FindFontFile(family.c_str(), bold ? 700 : 400, italic, &file)) return nullptr;
  }
  return OpenFont(file, size, bold);
}

CTFontRef CTFontCreateUIFontForLanguage(CTFontUIFontType uiType, CGFloat size,
                                        CFStringRef language) {
  if (uiType == kCTFontUIFontNone) return nullptr;
  if (size <= 0)
    size = uiType == kCTFontUIFontLabel || uiType == kCTFontUIFontSmallSystem ? 10.0 : 13.0;
  const bool bold = uiType == kCTFontUIFontEmphasizedSystem;
  LICE_FontFile file;
  if (!LICE_FindFontFile("Lucida Grande", bold ? 700 : 400, false, &file)) return nullptr;
  return OpenFont(file, size, bold);
}

CFStringRef CTFontCopyPostScriptName(CTFontRef font) {
  __CTFont* f = Font(font);
  return f ? MakeString(f->mPostScriptName) : nullptr;
}
CFStringRef CTFontCopyFamilyName(CTFontRef font) {
  __CTFont* f = Font(font);
  return f ? MakeString(f->mFamily) : nullptr;
}
CGFloat CTFontGetSize(CTFontRef font) {
  __CTFont* f = Font(font);
  return f ? f->mSize : 0;
}
CGFloat CTFontGetAscent(CTFontRef font) {
  __CTFont* f = Font(font);
  return f ? f->mAscent : 0;
}
CGFloat CTFontGetDescent(CTFontRef font) {
  __CTFont* f = Font(font);
  return f ? f->mDescent : 0;
}
CGFloat CTFontGetLeading(CTFontRef font) {
  __CTFont* f = Font(font);
  return f ? f->mLeading : 0;
}

// ---- Lines ------------------------------------------------------------------------------------

CFTypeID CTLineGetTypeID(void) { return kCTLineType; }

CTLineRef CTLineCreateWithAttributedString(CFAttributedStringRef attrString) {
  __CFAttributedString* s = Attributed(attrString);
  if (!s) return nullptr;
  __CTLine* line = new __CTLine();
  const void* font = s->mAttributes ? CFDictionaryGetValue(s->mAttributes, kCTFontAttributeName)
                                    : nullptr;
  if (Font((CTFontRef)font))
    line->mFont = (CTFontRef)CFRetain(font);
  else
    line->mFont = CTFontCreateWithName(CFSTR("Helvetica"), 12.0, nullptr);
  const void* color =
      s->mAttributes ? CFDictionaryGetValue(s->mAttributes, kCTForegroundColorAttributeName)
                     : nullptr;
  if (const CGFloat* k = CGColorGetComponents((CGColorRef)color)) {
    line->mHasColor = true;
    std::memcpy(line->mColor, k, sizeof(line->mColor));
  }
  const std::string text = Text(s->mString);
  const unsigned char* p = (const unsigned char*)text.data();
  const unsigned char* end = p + text.size();
  while (p < end) {
    unsigned code;
    p += LICE_DecodeUTF8(p, end, &code);
    line->mCodes.push_back(code);
  }
  line->mRange = CFRangeMake(0, (CFIndex)text.size());
  return (CTLineRef)line;
}

double CTLineGetTypographicBounds(CTLineRef line, CGFloat* ascent, CGFloat* descent,
                                  CGFloat* leading) {
  __CTLine* l = Line(line);
  __CTFont* f = l ? Font(l->mFont) : nullptr;
  if (ascent) *ascent = f ? f->mAscent : 0;
  if (descent) *descent = f ? f->mDescent : 0;
  if (leading) *leading = f ? f->mLeading : 0;
  return l ? Width(l) : 0;
}

CFRange CTLineGetStringRange(CTLineRef line) {
  __CTLine* l = Line(line);
  return l ? l->mRange : CFRangeMake(0, 0);
}

void CTLineDraw(CTLineRef line, CGContextRef context) {
  __CTLine* l = Line(line);
  CGContext* c = CGObject<CGContext>(context, kCGContextType);
  __CTFont* font = l ? Font(l->mFont) : nullptr;
  if (!c || !font) return;
  // Glyph space (y up) -> text space -> user space -> device space; only the signs of the
  // combined scale count.
  const CGAffineTransform& t = c->mTextMatrix;
  const CGPoint origin = c->ToDevice({t.tx, t.ty});
  const CGAffineTransform& m = c->mState.mCTM;
  const bool upright = t.d * m.d + t.b * m.c > 0;
  const unsigned rgb[3] = {(unsigned)std::lround(std::min(1.0, std::max(0.0, l->mColor[0])) * 255),
                           (unsigned)std::lround(std::min(1.0, std::max(0.0, l->mColor[1])) * 255),
                           (unsigned)std::lround(std::min(1.0, std::max(0.0, l->mColor[2])) * 255)};
  const unsigned alpha = (unsigned)std::lround(std::min(1.0, std::max(0.0, l->mColor[3])) * 255);
  const CGPixelBox& clip = c->mState.mClip;
  const bool mono = !c->mState.mAntialias;
  const int baseline = (int)std::lround(c->mHeight - origin.y);
  double pen = origin.x;
  std::lock_guard<std::mutex> lock(FreeTypeMutex());
  for (unsigned code : l->mCodes) {
    const Glyph& g = font->Get(code, mono);
    const int x0 = (int)std::lround(pen) + g.mLeft;
    for (int j = 0; j < g.mRows; ++j) {
      const int row = upright ? baseline - g.mTop + j : baseline + g.mTop - 1 - j;
      if (row < clip.mTop || row >= clip.mBottom) continue;
      const unsigned char* cov = &g.mCoverage[(size_t)j * g.mWidth];
      for (int i = 0; i < g.mWidth; ++i) {
        const int x = x0 + i;
        if (!cov[i] || x < clip.mLeft || x >= clip.mRight) continue;
        CGContext::Blend(c->Pixel(x, row), rgb, (cov[i] * alpha + 127) / 255);
      }
    }
    pen += g.mAdvance;
  }
}

// ---- Frames -----------------------------------------------------------------------------------

CFTypeID CTFramesetterGetTypeID(void) { return kCTFramesetterType; }
CFTypeID CTFrameGetTypeID(void) { return kCTFrameType; }

CTFramesetterRef CTFramesetterCreateWithAttributedString(CFAttributedStringRef attrString) {
  if (!Attributed(attrString)) return nullptr;
  __CTFramesetter* f = new __CTFramesetter();
  f->mString = (CFAttributedStringRef)CFRetain(attrString);
  return (CTFramesetterRef)f;
}

CTFrameRef CTFramesetterCreateFrame(CTFramesetterRef framesetter, CFRange stringRange,
                                    CGPathRef path, CFDictionaryRef frameAttributes) {
  __CTFramesetter* fs = CGObject<__CTFramesetter>(framesetter, kCTFramesetterType);
  if (!fs || !path) return nullptr;
  __CFAttributedString* s = Attributed(fs->mString);
  std::string text = Text(s->mString);
  const size_t from = std::min(text.size(), (size_t)std::max<CFIndex>(0, stringRange.location));
  const size_t count = stringRange.length > 0 ? (size_t)stringRange.length : text.size() - from;
  text = text.substr(from, count);

  __CTFrame* frame = new __CTFrame();
  frame->mLines = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  const CGRect box = CGPathGetBoundingBox(path);
  double y = box.origin.y + box.size.height;
  size_t start = 0;
  // A line feed ends its line; a text that ends with one has no empty line after it.
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const size_t next = end == std::string::npos ? text.size() : end + 1;
    if (end == std::string::npos) end = text.size();
    CFStringRef piece = MakeString(text.substr(start, end - start));
    CFAttributedStringRef attributed = CFAttributedStringCreate(nullptr, piece, s->mAttributes);
    CTLineRef line = CTLineCreateWithAttributedString(attributed);
    Line(line)->mRange = CFRangeMake((CFIndex)(from + start), (CFIndex)(next - start));
    CGFloat a = 0, d = 0, l = 0;
    CTLineGetTypographicBounds(line, &a, &d, &l);
    frame->mOrigins.push_back({box.origin.x, y - a});
    y -= a + d + l;
    CFArrayAppendValue(frame->mLines, line);
    CFRelease(line);
    CFRelease(attributed);
    CFRelease(piece);
    start = next;
  }
  return (CTFrameRef)frame;
}

CFArrayRef CTFrameGetLines(CTFrameRef frame) {
  __CTFrame* f = CGObject<__CTFrame>(frame, kCTFrameType);
  return f ? f->mLines : nullptr;
}

void CTFrameGetLineOrigins(CTFrameRef frame, CFRange range, CGPoint origins[]) {
  __CTFrame* f = CGObject<__CTFrame>(frame, kCTFrameType);
  if (!f || !origins) return;
  const size_t first = (size_t)std::max<CFIndex>(0, range.location);
  const size_t n = range.length > 0 ? (size_t)range.length : f->mOrigins.size() - first;
  for (size_t i = 0; i < n && first + i < f->mOrigins.size(); ++i)
    origins[i] = f->mOrigins[first + i];
}

// ---- Foundation -------------------------------------------------------------------------------
// Foundation's version number, which GNUstep's Foundation does not define: the drawing layer
// reads it to choose how it names fonts. 1349 is that of macOS 10.12.
CORVANEL_MAC_API double NSFoundationVersionNumber;
double NSFoundationVersionNumber = 1349.0;
