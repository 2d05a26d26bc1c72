// The cached font: glyphs are rendered once by the native font into a
// coverage buffer, then blended wherever the text goes.
#include "lice_text.h"
#include "lice_combine.h"
#include "lice_sysbitmap.h"
#include "lice_utf8.h"

#include <cstdlib>
#include <cstring>

namespace {

// Process-wide scratch bitmap the glyphs are rendered into; lives from the
// first font use until the last font is destroyed.
LICE_SysBitmap* sGlyphScratch = nullptr;
int sFontCount = 0;

LICE_SysBitmap* GlyphScratch(int minW, int minH) {
  if (!sGlyphScratch) sGlyphScratch = new LICE_SysBitmap(256, 256);
  int w = sGlyphScratch->getWidth(), h = sGlyphScratch->getHeight();
  if (w < minW || h < minH) sGlyphScratch->resize(w < minW ? minW : w, h < minH ? minH : h);
  if (sGlyphScratch->getWidth() < minW || sGlyphScratch->getHeight() < minH) return nullptr;
  return sGlyphScratch;
}

const int kTextFormatMask = 0xffff;

} // namespace

LICE_CachedFont::LICE_CachedFont() {
  ++sFontCount;
  ClearGlyphs();
}

LICE_CachedFont::~LICE_CachedFont() {
  if (mFont && (mFlags & kFontOwnsNative)) LICE_DestroyNativeFont(mFont);
  mFont = nullptr;
  if (--sFontCount == 0) {
    delete sGlyphScratch;
    sGlyphScratch = nullptr;
  }
}

void LICE_CachedFont::ClearGlyphs() {
  std::memset(mLowGlyphs, 0, sizeof(mLowGlyphs));
  for (int i = 0; i < 128; ++i)
    mLowGlyphs[i].code = (unsigned short)i;
  mHighGlyphs.Resize(0);
  mCoverage.Resize(0);
}

void LICE_CachedFont::SetFromNativeFont(LICE_HFONT font, int flags) {
  if (mFont && mFont != font && (mFlags & kFontOwnsNative)) LICE_DestroyNativeFont(mFont);
  mFont = font;
  mFlags = flags;
  mLineHeight = 0;
  if (mFont) {
    LICE_SysBitmap* scratch = GlyphScratch(1, 1);
    LICE_FontMetrics m;
    if (scratch && LICE_NativeGetMetrics(scratch->getDrawingContext(), mFont, &m)) {
      mLineHeight = m.ascent + m.descent + m.leading;
#ifdef CORVANEL_MACOS
      if (mLineHeight) ++mLineHeight;
#endif
    }
  }
  ClearGlyphs();
  if (flags & kFontPreRenderAscii)
    for (int i = 0; i < 128; ++i)
      RenderGlyph(&mLowGlyphs[i]);
}

LICE_pixel LICE_CachedFont::SetTextColor(LICE_pixel color) {
  LICE_pixel old = mTextColor;
  mTextColor = color;
  return old;
}

LICE_pixel LICE_CachedFont::SetBkColor(LICE_pixel color) {
  LICE_pixel old = mBkColor;
  mBkColor = color;
  return old;
}

int LICE_CachedFont::SetBkMode(int mode) {
  int old = mBkMode;
  mBkMode = mode;
  return old;
}

void LICE_CachedFont::SetCombineMode(int mode, float weight) {
  mCombineMode = mode;
  mCombineWeight = weight;
}

LICE_CachedFont::GlyphRec* LICE_CachedFont::FindGlyph(unsigned code) {
  if (code < 128) return &mLowGlyphs[code];
  if (code > 0xffff) return nullptr;
  GlyphRec* list = mHighGlyphs.Get();
  int lo = 0, hi = mHighGlyphs.GetSize() - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    if (list[mid].code == code) return &list[mid];
    if (list[mid].code < code)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  // Not there yet: add it at its sorted place.
  GlyphRec rec = {};
  rec.code = (unsigned short)code;
  int n = mHighGlyphs.GetSize();
  if (!mHighGlyphs.Add(rec)) return nullptr;
  list = mHighGlyphs.Get();
  std::memmove(&list[lo + 1], &list[lo], sizeof(GlyphRec) * (size_t)(n - lo));
  list[lo] = rec;
  return &list[lo];
}

bool LICE_CachedFont::RenderGlyph(GlyphRec* g) {
  if (!mFont || mLineHeight > 1023) return false;
  const int lh = mLineHeight;
  const int side = lh < 1 ? 10 : lh * 2 + 8;
  LICE_SysBitmap* sc = GlyphScratch(side, side);
  if (!sc) return false;
  void* ctx = sc->getDrawingContext();
  const int pad = lh < 16 ? 2 : lh / 16 + 2;

  char utf8[4];
  const int n = LICE_EncodeUTF8(g->code, utf8);
  LICE_RECT mr = {0, 0, 0, 0};
  LICE_NativeDrawText(ctx, mFont, utf8, n, &mr,
                      LICE_DT_SINGLELINE | LICE_DT_NOPREFIX | LICE_DT_CALCRECT, 0,
                      LICE_BKMODE_TRANSPARENT, 0);
  const int advance = mr.right - mr.left;
  const int h = mr.bottom - mr.top;
  const int aw = advance + 2 * pad;
  g->advance = advance > 0 ? advance : 0;
  if (h <= 0 || aw <= 0 || !(sc = GlyphScratch(aw, h))) {
    g->coverage = -1;
    return true;
  }
  ctx = sc->getDrawingContext();

  LICE_FillRect(sc, 0, 0, aw, h, 0, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_RECT dr = {pad, 0, pad + advance, h};
  LICE_NativeDrawText(ctx, mFont, utf8, n, &dr,
                      LICE_DT_SINGLELINE | LICE_DT_NOPREFIX | LICE_DT_NOCLIP,
                      LICE_RGBA(255, 255, 255, 255), LICE_BKMODE_TRANSPARENT, 0);

  // Trim empty columns on both sides.
  int first = aw, last = -1;
  for (int y = 0; y < h; ++y) {
    const LICE_pixel* row = LICE_RowPtr(sc, y);
    for (int x = 0; x < aw; ++x) {
      if (LICE_GETG(row[x])) {
        if (x < first) first = x;
        if (x > last) last = x;
      }
    }
  }
  if (last < first) {
    g->coverage = -1;
    return true;
  }
  const int cw = last - first + 1;
  const int offset = mCoverage.GetSize();
  if ((long long)offset + (long long)cw * h > 0x7ffffff0LL || !mCoverage.Resize(offset + cw * h)) {
    g->coverage = -1;
    return true;
  }
  unsigned char* out = (unsigned char*)mCoverage.Get() + offset;
  for (int y = 0; y < h; ++y) {
    const LICE_pixel* row = LICE_RowPtr(sc, y) + first;
    for (int x = 0; x < cw; ++x)
      *out++ = (unsigned char)LICE_GETG(row[x]);
  }
  g->coverage = offset + 1;
  g->width = cw;
  g->height = h;
  g->leftCorrection = pad - first;
  return true;
}

bool LICE_CachedFont::UseNative(LICE_IBitmap* bm, int flags) const {
  if (!mFont) return false;
  if (!(flags & LICE_DT_CALCRECT) && (!bm || !bm->getDrawingContext())) return false;
  if (mLineHeight >= 256) return true;
  if (!(mFlags & kFontPreferNative)) return false;
  if (flags & (kTextWriteAlpha | kTextUseColorAlpha)) return false;
  if (mLineSpacing && !(flags & LICE_DT_SINGLELINE)) return false;
  return !LICE_AvoidNativeText();
}

// Sums the advances up to the end of the line; *next is where the next line starts.
int LICE_CachedFont::MeasureLine(const char* s, const char* end, bool singleLine,
                                 const char** next) {
  const unsigned char* p = (const unsigned char*)s;
  const unsigned char* e = (const unsigned char*)end;
  int w = 0;
  while (p < e) {
    unsigned code;
    const int n = LICE_DecodeUTF8(p, e, &code);
    if (code == '\n' && !singleLine) {
      *next = (const char*)(p + n);
      return w;
    }
    p += n;
    if (code == '\r') continue;
    if (code == '\n') code = ' ';
    GlyphRec* g = FindGlyph(code);
    if (!g) continue;
    if (!g->coverage) RenderGlyph(g);
    w += g->advance;
  }
  *next = nullptr;
  return w;
}

int LICE_CachedFont::DrawText(LICE_IBitmap* bm, const char* str, int strcnt, LICE_RECT* rect,
                              int dtFlags) {
  if (!str || !rect) return 0;
  const int len = strcnt < 0 ? (int)std::strlen(str) : (int)strnlen(str, (size_t)strcnt);
  if (UseNative(bm, dtFlags)) {
    void* ctx = bm ? bm->getDrawingContext() : nullptr;
    if (!ctx) {
      LICE_SysBitmap* sc = GlyphScratch(1, 1);
      ctx = sc ? sc->getDrawingContext() : nullptr;
    }
    return LICE_NativeDrawText(ctx, mFont, str, len, rect,
                               (dtFlags & kTextFormatMask) | LICE_DT_NOPREFIX, mTextColor, mBkMode,
                               mBkColor);
  }
  return DrawCached(bm, str, len, rect, dtFlags);
}

int LICE_CachedFont::DrawCached(LICE_IBitmap* bm, const char* str, int len, LICE_RECT* rect,
                                int flags) {
  const char* end = str + len;
  const bool singleLine = (flags & LICE_DT_SINGLELINE) != 0;

  int lines = 0, maxW = 0;
  for (const char* s = str; s;) {
    const int w = MeasureLine(s, end, singleLine, &s);
    if (w > maxW) maxW = w;
    ++lines;
  }
  const int totalH = lines * mLineHeight + (lines - 1) * mLineSpacing;
  if (flags & LICE_DT_CALCRECT) {
    rect->right = rect->left + maxW;
    rect->bottom = rect->top + totalH;
    return totalH;
  }
  if (!bm || !bm->getBits()) return totalH;

  float weight = mCombineWeight;
  if (flags & kTextUseColorAlpha) weight *= (float)LICE_GETA(mTextColor) / 255.0f;
  const int wt = lice_combine::WeightToInt(weight);
  if (wt < 1) return totalH;
  const bool add = (mCombineMode & LICE_BLIT_MODE_MASK) == LICE_BLIT_MODE_ADD;
  const int cr = LICE_GETR(mTextColor), cg = LICE_GETG(mTextColor), cb = LICE_GETB(mTextColor);

  int cl = 0, ct = 0, crt = bm->getWidth(), cbt = bm->getHeight();
  if (!(flags & LICE_DT_NOCLIP)) {
    if (rect->left > cl) cl = rect->left;
    if (rect->top > ct) ct = rect->top;
    if (rect->right < crt) crt = rect->right;
    if (rect->bottom < cbt) cbt = rect->bottom;
  }
  int y = rect->top;
  if (flags & LICE_DT_VCENTER)
    y = rect->top + (rect->bottom - rect->top - totalH) / 2;
  else if (flags & LICE_DT_BOTTOM)
    y = rect->bottom - totalH;

  const unsigned char* coverage = (const unsigned char*)mCoverage.Get();
  for (const char* s = str; s; y += mLineHeight + mLineSpacing) {
    const char* next = nullptr;
    const int lw = MeasureLine(s, end, singleLine, &next);
    int x = rect->left;
    if (flags & LICE_DT_CENTER)
      x = rect->left + (rect->right - rect->left - lw) / 2;
    else if (flags & LICE_DT_RIGHT)
      x = rect->right - lw;
    const unsigned char* p = (const unsigned char*)s;
    const unsigned char* e = next ? (const unsigned char*)next : (const unsigned char*)end;
    coverage = (const unsigned char*)mCoverage.Get(); // measuring may have grown the buffer
    while (p < e) {
      unsigned code;
      p += LICE_DecodeUTF8(p, (const unsigned char*)end, &code);
      if (code == '\r' || (code == '\n' && !singleLine)) continue;
      if (code == '\n') code = ' ';
      const GlyphRec* g = FindGlyph(code);
      if (!g) continue;
      if (g->coverage > 0) {
        const int gx = x - g->leftCorrection;
        for (int j = 0; j < g->height; ++j) {
          const int yy = y + j;
          if (yy < ct || yy >= cbt) continue;
          LICE_pixel* row = LICE_RowPtr(bm, yy);
          const unsigned char* cov = coverage + (g->coverage - 1) + (long)j * g->width;
          for (int i = 0; i < g->width; ++i) {
            const int xx = gx + i;
            const int v = cov[i];
            if (!v || xx < cl || xx >= crt) continue;
            const LICE_pixel d = row[xx];
            const int dr = LICE_GETR(d), dg = LICE_GETG(d), db = LICE_GETB(d), da = LICE_GETA(d);
            if (add) {
              int amount = wt >= 256 ? v + 1 : wt * v / 256;
              if (amount > 256) amount = 256;
              row[xx] = LICE_RGBA(lice_combine::Clamp255(dr + cr * amount / 256),
                                  lice_combine::Clamp255(dg + cg * amount / 256),
                                  lice_combine::Clamp255(db + cb * amount / 256),
                                  lice_combine::Clamp255(da + amount * 255 / 256));
            } else {
              int ia;
              if (wt >= 256)
                ia = 255 - v;
              else
                ia = wt * v >= 65792 ? 0 : 256 - wt * v / 256;
              row[xx] = LICE_RGBA(cr + (dr - cr) * ia / 256, cg + (dg - cg) * ia / 256,
                                  cb + (db - cb) * ia / 256, 255 - ((255 - da) * ia) / 256);
            }
          }
        }
      }
      x += g->advance;
    }
    s = next;
  }
  return totalH;
}
