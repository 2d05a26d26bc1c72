// Rectangle copies, blends and fills.
#include "lice.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "lice_combine.h"

#include <cstring>

using namespace lice_combine;

namespace {

template <Rule R>
void BlitRows(LICE_pixel* dp, long dstep, const LICE_pixel* sp, long sstep, int w, int h, int wt) {
  for (int y = 0; y < h; ++y, dp += dstep, sp += sstep) {
    if (R == kCopyFull) {
      std::memmove(dp, sp, (size_t)w * sizeof(LICE_pixel));
    } else {
      for (int x = 0; x < w; ++x)
        Combine<R>(dp + x, sp[x], wt);
    }
  }
}

} // namespace

void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int srcw, int srch, float weight, int mode) {
  if (!dest || !src || !dest->getBits() || !src->getBits()) return;
  const int wt = WeightToInt(weight);
  if (wt < 1) return;

  // Limit the source rectangle to the source bitmap, keeping each source pixel
  // on the destination pixel it was meant for.
  if (srcx < 0) {
    srcw += srcx;
    dstx -= srcx;
    srcx = 0;
  }
  if (srcy < 0) {
    srch += srcy;
    dsty -= srcy;
    srcy = 0;
  }
  if (srcw > src->getWidth() - srcx) srcw = src->getWidth() - srcx;
  if (srch > src->getHeight() - srcy) srch = src->getHeight() - srcy;
  // A destination origin above or left of the bitmap moves the source origin along.
  if (dstx < 0) {
    srcx -= dstx;
    srcw += dstx;
    dstx = 0;
  }
  if (dsty < 0) {
    srcy -= dsty;
    srch += dsty;
    dsty = 0;
  }
  if (srcw > dest->getWidth() - dstx) srcw = dest->getWidth() - dstx;
  if (srch > dest->getHeight() - dsty) srch = dest->getHeight() - dsty;
  if (srcw <= 0 || srch <= 0) return;

  LICE_pixel* dp = LICE_RowPtr(dest, dsty) + dstx;
  const LICE_pixel* sp = LICE_RowPtr(src, srcy) + srcx;
  const long dstep = LICE_RowStep(dest), sstep = LICE_RowStep(src);

  switch (PickRule(mode, wt, weight)) {
  case kCopyFull:
    BlitRows<kCopyFull>(dp, dstep, sp, sstep, srcw, srch, wt);
    break;
  case kCopyHalf:
    BlitRows<kCopyHalf>(dp, dstep, sp, sstep, srcw, srch, wt);
    break;
  case kCopyWeighted:
    BlitRows<kCopyWeighted>(dp, dstep, sp, sstep, srcw, srch, wt);
    break;
  case kCopyAlphaFull:
    BlitRows<kCopyAlphaFull>(dp, dstep, sp, sstep, srcw, srch, wt);
    break;
  case kCopyAlpha:
    BlitRows<kCopyAlpha>(dp, dstep, sp, sstep, srcw, srch, wt);
    break;
  case kAdd:
    BlitRows<kAdd>(dp, dstep, sp, sstep, srcw, srch, wt);
    break;
  case kAddAlpha:
    BlitRows<kAddAlpha>(dp, dstep, sp, sstep, srcw, srch, wt);
    break;
  case kDodge:
    BlitRows<kDodge>(dp, dstep, sp, sstep, srcw, srch, wt);
    break;
  case kDodgeAlpha:
    BlitRows<kDodgeAlpha>(dp, dstep, sp, sstep, srcw, srch, wt);
    break;
  }
}

namespace {

// The fill's own rules: the source is the colour, and where a rule needs a
// source alpha it is the weight itself.
enum FillRule {
  kFillWord,
  kFillHalf,
  kFillQuarter,
  kFillThreeQuarter,
  kFillCopy,
  kFillAdd,
  kFillDodge
};

template <FillRule R>
void FillRows(LICE_pixel* dp, long dstep, int w, int h, LICE_pixel c, int wt) {
  const int cr = LICE_GETR(c), cg = LICE_GETG(c), cb = LICE_GETB(c);
  for (int y = 0; y < h; ++y, dp += dstep) {
    for (int x = 0; x < w; ++x) {
      LICE_pixel& d = dp[x];
      if (R == kFillWord) {
        d = c;
      } else if (R == kFillHalf) {
        d = ((d >> 1) & 0x7f7f7f7f) + ((c >> 1) & 0x7f7f7f7f);
      } else if (R == kFillQuarter) {
        d = ((d >> 1) & 0x7f7f7f7f) + ((d >> 2) & 0x3f3f3f3f) + ((c >> 2) & 0x3f3f3f3f);
      } else if (R == kFillThreeQuarter) {
        d = ((d >> 2) & 0x3f3f3f3f) + ((c >> 2) & 0x3f3f3f3f) + ((c >> 1) & 0x7f7f7f7f);
      } else {
        const int dr = LICE_GETR(d), dg = LICE_GETG(d), db = LICE_GETB(d), da = LICE_GETA(d);
        if (R == kFillCopy) {
          const int iw = 256 - wt;
          // Alpha moves toward the weight; at full weight that is 256, kept to 255.
          d = LICE_RGBA(cr + (dr - cr) * iw / 256, cg + (dg - cg) * iw / 256,
                        cb + (db - cb) * iw / 256, Clamp255(wt + (da - wt) * iw / 256));
        } else if (R == kFillAdd) {
          d = LICE_RGBA(Clamp255(dr + cr * wt / 256), Clamp255(dg + cg * wt / 256),
                        Clamp255(db + cb * wt / 256), Clamp255(da + wt * wt / 256));
        } else {
          d = LICE_RGBA(DodgeChannel(dr, cr, wt), DodgeChannel(dg, cg, wt),
                        DodgeChannel(db, cb, wt), DodgeChannel(da, wt, wt));
        }
      }
    }
  }
}

// A weighted copy of the colour, c + (d - c) * (256 - wt) / 256 per channel with the
// division truncating toward zero, and the weight itself standing for the colour's
// alpha. The same arithmetic four pixels at a time: the magnitude |d - c| * (256 - wt)
// fits 16 bits unsigned, so truncating it and putting the sign back is exact.
void FillWeighted(LICE_pixel* dp, long dstep, int w, int h, LICE_pixel c, int wt) {
  const LICE_pixel target = LICE_RGBA(LICE_GETR(c), LICE_GETG(c), LICE_GETB(c), (unsigned)wt);
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i cw = _mm_unpacklo_epi8(_mm_set1_epi32((int)target), zero);
  const __m128i iw = _mm_set1_epi16((short)(256 - wt));
  for (int y = 0; y < h; ++y, dp += dstep) {
    int x = 0;
    for (; x + 4 <= w; x += 4) {
      const __m128i d = _mm_loadu_si128((const __m128i*)(dp + x));
      __m128i halves[2] = {_mm_unpacklo_epi8(d, zero), _mm_unpackhi_epi8(d, zero)};
      for (__m128i& v : halves) {
        const __m128i mag = _mm_sub_epi16(_mm_max_epi16(v, cw), _mm_min_epi16(v, cw));
        const __m128i q = _mm_srli_epi16(_mm_mullo_epi16(mag, iw), 8);
        const __m128i below = _mm_cmplt_epi16(v, cw);
        v = _mm_or_si128(_mm_and_si128(below, _mm_sub_epi16(cw, q)),
                         _mm_andnot_si128(below, _mm_add_epi16(cw, q)));
      }
      _mm_storeu_si128((__m128i*)(dp + x), _mm_packus_epi16(halves[0], halves[1]));
    }
    for (; x < w; ++x)
      FillRows<kFillCopy>(dp + x, 0, 1, 1, c, wt);
  }
#else
  (void)target;
  FillRows<kFillCopy>(dp, dstep, w, h, c, wt);
#endif
}

} // namespace

void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color, float weight,
                   int mode) {
  if (!dest || !dest->getBits()) return;
  if (mode & LICE_BLIT_USE_ALPHA) weight *= (float)LICE_GETA(color) / 255.0f;
  const int wt = WeightToInt(weight);
  if (wt < 1) return;

  if (x < 0) {
    w += x;
    x = 0;
  }
  if (y < 0) {
    h += y;
    y = 0;
  }
  if (w > dest->getWidth() - x) w = dest->getWidth() - x;
  if (h > dest->getHeight() - y) h = dest->getHeight() - y;
  if (w <= 0 || h <= 0) return;

  LICE_pixel* dp = LICE_RowPtr(dest, y) + x;
  const long dstep = LICE_RowStep(dest);
  switch (mode & LICE_BLIT_MODE_MASK) {
  case LICE_BLIT_MODE_ADD:
    FillRows<kFillAdd>(dp, dstep, w, h, color, wt);
    return;
  case LICE_BLIT_MODE_DODGE:
    FillRows<kFillDodge>(dp, dstep, w, h, color, wt);
    return;
  default:
    break;
  }
  if (wt == 256) {
    // At full weight a copy is the colour itself, with or without the alpha flag (which
    // can only reach full weight with an opaque colour).
    FillRows<kFillWord>(dp, dstep, w, h, color, wt);
    return;
  }
  if (mode == LICE_BLIT_MODE_COPY) {
    // Exact word-wide shortcuts at half and quarter weights.
    switch (wt) {
    case 128:
      FillRows<kFillHalf>(dp, dstep, w, h, color, wt);
      return;
    case 64:
      FillRows<kFillQuarter>(dp, dstep, w, h, color, wt);
      return;
    case 192:
      FillRows<kFillThreeQuarter>(dp, dstep, w, h, color, wt);
      return;
    default:
      break;
    }
  }
  FillWeighted(dp, dstep, w, h, color, wt);
}
