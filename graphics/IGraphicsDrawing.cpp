// The graphics core's drawing primitives, and the process-wide caches of skin
// bitmaps and fonts behind LoadIBitmap and CacheFont. Every primitive draws into the
// surface through the raster library; only bitmap copies are clipped to the
// rectangle being redrawn (the redraw pass repaints everything that meets it, so
// nothing else can spill onto a control that is not repainted).
#include "IGraphics.h"

#include "lice.h"
#include "lice_sysbitmap.h"
#include "lice_text.h"
#include "WDL_Mutex.h"
#include "WDL_PtrList.h"

#include <cmath>
#include <cstring>

namespace {

// ---- Process-wide caches: filled by every editor of the process, emptied when the
// library is unloaded. Each has its own mutex.

struct BitmapEntry {
  int mId;
  LICE_IBitmap* mBitmap;
  ~BitmapEntry() { delete mBitmap; }
};

struct FontEntry {
  int mSize, mOrientation, mStyle;
  char mName[32];
  LICE_CachedFont* mFont;
  ~FontEntry() { delete mFont; }
};

struct BitmapCache {
  WDL_Mutex mMutex;
  WDL_PtrList<BitmapEntry> mEntries;
  LICE_IBitmap* Find(int id) {
    for (int i = 0; i < mEntries.GetSize(); ++i)
      if (mEntries.Get(i)->mId == id && mEntries.Get(i)->mBitmap) return mEntries.Get(i)->mBitmap;
    return nullptr;
  }
  void Add(int id, LICE_IBitmap* bitmap) { mEntries.Add(new BitmapEntry{id, bitmap}); }
};

struct FontCache {
  WDL_Mutex mMutex;
  WDL_PtrList<FontEntry> mEntries;
  LICE_CachedFont* Find(const IText* text) {
    for (int i = 0; i < mEntries.GetSize(); ++i) {
      FontEntry* e = mEntries.Get(i);
      if (e->mSize == text->mSize && e->mOrientation == text->mOrientation &&
          e->mStyle == text->mStyle && !std::strcmp(e->mName, text->mFont))
        return e->mFont;
    }
    return nullptr;
  }
};

BitmapCache& Bitmaps() {
  static BitmapCache cache;
  return cache;
}

FontCache& Fonts() {
  static FontCache cache;
  return cache;
}

// ---- Blend translation ------------------------------------------------------------------------

struct RasterBlend {
  int mMode;
  float mWeight;
};

RasterBlend Translate(const IChannelBlend* blend) {
  if (!blend) return {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 1.0f};
  switch (blend->mMethod) {
  case IChannelBlend::kBlendClobber:
    return {LICE_BLIT_MODE_COPY, blend->mWeight};
  case IChannelBlend::kBlendAdd:
    return {LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA, blend->mWeight};
  case IChannelBlend::kBlendColorDodge:
    return {LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA, blend->mWeight};
  default:
    return {LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, blend->mWeight};
  }
}

LICE_IBitmap* BitmapOf(IBitmap* bitmap) {
  return bitmap ? static_cast<LICE_IBitmap*>(bitmap->mData) : nullptr;
}

// Native font quality for the style's quality.
int FontQuality(int quality) {
  switch (quality) {
  case IText::kQualityDefault:
    return LICE_FONT_QUALITY_DEFAULT;
  case IText::kQualityAntiAliased:
    return LICE_FONT_QUALITY_ANTIALIASED;
  case IText::kQualityClearType:
#ifdef _WIN32
    return LICE_FONT_QUALITY_CLEARTYPE;
#else
    return LICE_FONT_QUALITY_ANTIALIASED;
#endif
  default:
    return LICE_FONT_QUALITY_NONANTIALIASED;
  }
}

LICE_CachedFont* MakeFont(const IText* text, int height) {
  LICE_HFONT native =
      LICE_CreateNativeFont(text->mFont, height, text->mOrientation * 10, text->mOrientation * 10,
                            (text->mStyle & IText::kStyleBold) ? 700 : 400,
                            (text->mStyle & IText::kStyleItalic) != 0, FontQuality(text->mQuality));
  if (!native) return nullptr;
  LICE_CachedFont* font = new LICE_CachedFont;
  font->SetFromNativeFont(native, kFontOwnsNative | kFontPreferNative);
  return font;
}

} // namespace

// ---- Bitmaps ------------------------------------------------------------------------------------

IBitmap IGraphics::LoadIBitmap(int id, const char* name, int nStates) {
  BitmapCache& cache = Bitmaps();
  WDL_MutexLock lock(&cache.mMutex);
  LICE_IBitmap* bitmap = cache.Find(id);
  if (!bitmap) {
    bitmap = OSLoadBitmap(id, name);
    // A missing image is not cached: it stays an IBitmap without data, which every
    // primitive skips, and the next load tries again.
    if (!bitmap) return IBitmap(nullptr, 0, 0, nStates);
    cache.Add(id, bitmap);
  }
  return IBitmap(bitmap, bitmap->getWidth(), bitmap->getHeight(), nStates);
}

IBitmap IGraphics::CropBitmap(IBitmap* bitmap, IRECT* r) {
  LICE_IBitmap* src = BitmapOf(bitmap);
  const int w = r->W(), h = r->H();
  if (!src || w <= 0 || h <= 0) return IBitmap(nullptr, 0, 0, bitmap ? bitmap->N : 1);
  LICE_MemBitmap* copy = new LICE_MemBitmap(w, h);
  LICE_Blit(copy, src, 0, 0, r->L, r->T, w, h, 1.0f, LICE_BLIT_MODE_COPY);
  BitmapCache& cache = Bitmaps();
  WDL_MutexLock lock(&cache.mMutex);
  cache.Add(-1, copy);
  return IBitmap(copy, w, h, bitmap->N);
}

// ---- Drawing --------------------------------------------------------------------------------

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY,
                           const IChannelBlend* blend) {
  LICE_IBitmap* src = BitmapOf(bitmap);
  if (!src || !mDrawBitmap) return true;
  const IRECT r = dest->Intersect(mDrawRECT);
  if (r.Empty()) return true;
  const RasterBlend b = Translate(blend);
  LICE_Blit(mDrawBitmap, src, r.L, r.T, srcX + r.L - dest->L, srcY + r.T - dest->T, r.W(), r.H(),
            b.mWeight, b.mMode);
  return true;
}

bool IGraphics::DrawBitmapFrame(IBitmap* bitmap, IRECT* dest, int frame, const IChannelBlend* blend,
                                bool vertical) {
  int srcX = 0, srcY = 0;
  if (bitmap && bitmap->N > 1 && frame > 1) {
    if (vertical)
      srcY = (int)((double)(frame - 1) * (double)bitmap->H / (double)bitmap->N + 0.5);
    else
      srcX = (int)((double)(frame - 1) * (double)bitmap->W / (double)bitmap->N + 0.5);
  }
  return DrawBitmap(bitmap, dest, srcX, srcY, blend);
}

bool IGraphics::DrawWholeBitmap(IBitmap* bitmap, int x, int y, const IChannelBlend* blend) {
  LICE_IBitmap* src = BitmapOf(bitmap);
  if (!src || !mDrawBitmap) return true;
  const RasterBlend b = Translate(blend);
  LICE_Blit(mDrawBitmap, src, x, y, 0, 0, src->getWidth(), src->getHeight(), b.mWeight, b.mMode);
  return true;
}

bool IGraphics::DrawRotatedBitmap(IBitmap* bitmap, int centerX, int centerY, double angle,
                                  float srcX, float srcY, const IChannelBlend* blend) {
  LICE_IBitmap* src = BitmapOf(bitmap);
  if (!src || !mDrawBitmap) return true;
  const int w = src->getWidth(), h = src->getHeight();
  const RasterBlend b = Translate(blend);
  LICE_RotatedBlit(mDrawBitmap, src, centerX - w / 2, centerY - h / 2, w, h, srcX, srcY, (float)w,
                   (float)h, (float)angle, false, b.mWeight, b.mMode | kBlendFilterBilinear, 0.0f,
                   0.0f);
  return true;
}

bool IGraphics::FillIRect(const IColor* color, IRECT* r, const IChannelBlend* blend) {
  if (!mDrawBitmap) return true;
  const RasterBlend b = Translate(blend);
  LICE_FillRect(mDrawBitmap, r->L, r->T, r->W(), r->H(),
                LICE_RGBA(color->R, color->G, color->B, color->A), b.mWeight, b.mMode);
  return true;
}

// ---- Text -----------------------------------------------------------------------------------

LICE_CachedFont* IGraphics::CacheFont(IText* text) {
  FontCache& cache = Fonts();
  WDL_MutexLock lock(&cache.mMutex);
  LICE_CachedFont* font = cache.Find(text);
  if (!font) {
    int height = text->mSize;
#ifdef CORVANEL_MACOS
    // Quartz fonts are sized by their em: make the line as high as asked.
    if (height < 2) height = 2;
    font = MakeFont(text, height);
    const int line = font ? font->GetLineHeight() : 0;
    if (font && line > 0 && line != height) {
      delete font;
      font = MakeFont(text, (int)std::lround((double)height * height / line));
    }
#else
    font = MakeFont(text, height);
#endif
    if (!font) return nullptr;
    FontEntry* entry = new FontEntry{text->mSize, text->mOrientation, text->mStyle, {0}, font};
    std::memcpy(entry->mName, text->mFont, sizeof(entry->mName));
    entry->mName[sizeof(entry->mName) - 1] = 0;
    cache.mEntries.Add(entry);
  }
  text->mCached = font;
  return font;
}

bool IGraphics::DrawIText(IText* text, const char* str, IRECT* r) {
  if (!str || !*str) return true;
  LICE_CachedFont* font = text->mCached ? text->mCached : CacheFont(text);
  if (!font || !mDrawBitmap) return false;
  const IColor& c = text->mColor;
  font->SetTextColor(LICE_RGBA(c.R, c.G, c.B, c.A));
  int flags = LICE_DT_NOCLIP;
  if (text->mAlign == IText::kAlignNear)
    flags |= LICE_DT_LEFT;
  else if (text->mAlign == IText::kAlignCenter)
    flags |= LICE_DT_CENTER;
  else
    flags |= LICE_DT_RIGHT;
  if (c.A != 255) flags |= kTextUseColorAlpha;
  LICE_RECT rect = {r->L, r->T, r->R, r->B};
  font->DrawText(mDrawBitmap, str, -1, &rect, flags);
  return true;
}
