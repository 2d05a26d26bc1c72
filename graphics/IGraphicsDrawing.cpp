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
#include <cstdio>
#include <cstring>

namespace {

// The 2x art of skin image `id` is image id + kTwiceIdOffset, file name@2x.png.
constexpr int kTwiceIdOffset = 1000;
const char kTwiceSuffix[] = "@2x";

// ---- Process-wide caches: filled by every editor of the process, emptied when the
// library is unloaded. Each has its own mutex.

// A skin image as loaded (id and file name), or a part cropped from one (id -1, the
// image it came from and where), with its 2x art once an editor above 100 % asked.
struct BitmapEntry {
  int mId;
  LICE_IBitmap* mBitmap;
  char mName[64] = {0};
  LICE_IBitmap* mCroppedFrom = nullptr;
  IRECT mCrop;
  LICE_IBitmap* mTwice = nullptr; // owned; null until needed or when there is none
  bool mTwiceTried = false;
  ~BitmapEntry() {
    delete mBitmap;
    delete mTwice;
  }
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
  BitmapEntry* EntryOf(const LICE_IBitmap* bitmap) {
    for (int i = 0; i < mEntries.GetSize(); ++i)
      if (mEntries.Get(i)->mBitmap == bitmap) return mEntries.Get(i);
    return nullptr;
  }
  BitmapEntry* Add(int id, LICE_IBitmap* bitmap) {
    BitmapEntry* entry = new BitmapEntry;
    entry->mId = id;
    entry->mBitmap = bitmap;
    mEntries.Add(entry);
    return entry;
  }
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

// The file name of an image's 2x art: "../img/bg.png" gives "../img/bg@2x.png".
void TwiceName(const char* name, char* out, size_t size) {
  std::snprintf(out, size, "%s", name);
  char* dot = std::strrchr(out, '.');
  const char* slash = std::strrchr(out, '/');
  if (!dot || (slash && dot < slash)) dot = out + std::strlen(out);
  char ext[16];
  std::snprintf(ext, sizeof(ext), "%s", name + (dot - out));
  std::snprintf(dot, size - (size_t)(dot - out), "%s%s", kTwiceSuffix, ext);
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
    BitmapEntry* entry = cache.Add(id, bitmap);
    if (name) std::snprintf(entry->mName, sizeof(entry->mName), "%s", name);
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
  BitmapEntry* entry = cache.Add(-1, copy);
  entry->mCroppedFrom = src;
  entry->mCrop = *r;
  return IBitmap(copy, w, h, bitmap->N);
}

IGraphics::Art IGraphics::ArtFor(LICE_IBitmap* bitmap) {
  if (mScale == editor_scale::kScale100) return {bitmap, 1};
  BitmapCache& cache = Bitmaps();
  WDL_MutexLock lock(&cache.mMutex);
  LICE_IBitmap* twice = TwiceLocked(bitmap);
  // Without 2x art the 1x image is drawn larger: blurred, but in place.
  return twice ? Art{twice, 2} : Art{bitmap, 1};
}

LICE_IBitmap* IGraphics::TwiceLocked(LICE_IBitmap* bitmap) {
  BitmapEntry* entry = Bitmaps().EntryOf(bitmap);
  if (!entry) return nullptr;
  if (entry->mTwiceTried) return entry->mTwice;
  entry->mTwiceTried = true;
  LICE_IBitmap* twice = nullptr;
  if (entry->mCroppedFrom) {
    LICE_IBitmap* whole = TwiceLocked(entry->mCroppedFrom);
    const IRECT& c = entry->mCrop;
    if (whole) {
      twice = new LICE_MemBitmap(2 * c.W(), 2 * c.H());
      LICE_Blit(twice, whole, 0, 0, 2 * c.L, 2 * c.T, 2 * c.W(), 2 * c.H(), 1.0f,
                LICE_BLIT_MODE_COPY);
    }
  } else if (entry->mId >= 0) {
    char name[sizeof(entry->mName) + 8];
    TwiceName(entry->mName, name, sizeof(name));
    twice = OSLoadBitmap(entry->mId + kTwiceIdOffset, name);
  }
  // Art of the wrong size would put every control out of place: use the 1x image.
  if (twice && (twice->getWidth() != 2 * bitmap->getWidth() ||
                twice->getHeight() != 2 * bitmap->getHeight())) {
    delete twice;
    twice = nullptr;
  }
  entry->mTwice = twice;
  return twice;
}

void IGraphics::BlitScaled(LICE_IBitmap* bitmap, const IRECT& dest, int srcX, int srcY,
                           const IRECT& clip, const IChannelBlend* blend) {
  const Art art = ArtFor(bitmap);
  const IRECT d = DeviceRect(dest), c = DeviceRect(clip).Intersect(d);
  if (c.Empty() || !art.mBitmap) return;
  const int f = art.mFactor;
  const int sx = f * srcX, sy = f * srcY, sw = f * dest.W(), sh = f * dest.H();
  const RasterBlend b = Translate(blend);
  if (d.W() == sw && d.H() == sh) {
    LICE_Blit(mDrawBitmap, art.mBitmap, c.L, c.T, sx + c.L - d.L, sy + c.T - d.T, c.W(), c.H(),
              b.mWeight, b.mMode);
  } else {
    const LICE_RECT lc = {c.L, c.T, c.R, c.B};
    LICE_ScaledBlit(mDrawBitmap, art.mBitmap, d.L, d.T, d.W(), d.H(), sx, sy, sw, sh, &lc,
                    b.mWeight, b.mMode);
  }
}

// ---- Drawing --------------------------------------------------------------------------------

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY,
                           const IChannelBlend* blend) {
  LICE_IBitmap* src = BitmapOf(bitmap);
  if (!src || !mDrawBitmap) return true;
  const IRECT r = dest->Intersect(mDrawRECT);
  if (r.Empty()) return true;
  if (mScale != editor_scale::kScale100) {
    BlitScaled(src, *dest, srcX, srcY, r, blend);
    return true;
  }
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
  if (mScale != editor_scale::kScale100) {
    const IRECT whole(x, y, x + src->getWidth(), y + src->getHeight());
    BlitScaled(src, whole, 0, 0, IRECT(0, 0, mWidth, mHeight), blend);
    return true;
  }
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
  if (mScale != editor_scale::kScale100) {
    // The same turn of the 2x art, into the scaled square around the scaled centre; the
    // source offset is in the art's pixels.
    const Art art = ArtFor(src);
    const IRECT d = DeviceRect(IRECT(centerX - w / 2, centerY - h / 2, centerX - w / 2 + w,
                                     centerY - h / 2 + h));
    const float f = (float)art.mFactor;
    LICE_RotatedBlit(mDrawBitmap, art.mBitmap, d.L, d.T, d.W(), d.H(), srcX * f, srcY * f, w * f,
                     h * f, (float)angle, false, b.mWeight, b.mMode | kBlendFilterBilinear, 0.0f,
                     0.0f);
    return true;
  }
  LICE_RotatedBlit(mDrawBitmap, src, centerX - w / 2, centerY - h / 2, w, h, srcX, srcY, (float)w,
                   (float)h, (float)angle, false, b.mWeight, b.mMode | kBlendFilterBilinear, 0.0f,
                   0.0f);
  return true;
}

bool IGraphics::FillIRect(const IColor* color, IRECT* r, const IChannelBlend* blend) {
  if (!mDrawBitmap) return true;
  const RasterBlend b = Translate(blend);
  const IRECT d = DeviceRect(*r);
  LICE_FillRect(mDrawBitmap, d.L, d.T, d.W(), d.H(),
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
  LICE_CachedFont* font;
  if (mScale == editor_scale::kScale100) {
    font = text->mCached ? text->mCached : CacheFont(text);
  } else {
    // The style's own font stays the 100 % one; the scaled size has its cache entry.
    IText scaled = *text;
    scaled.mSize = editor_scale::ToDevice(text->mSize, mScale);
    scaled.mCached = nullptr;
    font = CacheFont(&scaled);
  }
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
  const IRECT d = DeviceRect(*r);
  LICE_RECT rect = {d.L, d.T, d.R, d.B};
  font->DrawText(mDrawBitmap, str, -1, &rect, flags);
  return true;
}
