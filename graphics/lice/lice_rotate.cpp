// Rotated (and scaled, mirrored) copies: each destination pixel is mapped back
// into the source with a 16.16 fixed-point walk.
#include "lice.h"
#include "lice_combine.h"
#include "lice_native_font.h"

#include <cmath>
#include <cstdint>

using namespace lice_combine;

namespace {

// 16.16 fixed point, rounded half away from zero.
int64_t ToFixed(double v) {
  double f = v * 65536.0;
  return (int64_t)(f < 0.0 ? f - 0.5 : f + 0.5);
}

struct Walk {
  int64_t x0, y0;         // source point of the first destination pixel walked
  int64_t dxx, dyx;       // source step per destination pixel to the right
  int64_t dxy, dyy;       // source step per destination row down
  int lox, loy, hix, hiy; // allowed source pixels: lo <= p < hi
};

inline unsigned Lerp4(unsigned p00, unsigned p10, unsigned p01, unsigned p11, uint32_t fx,
                      uint32_t fy, uint32_t hi) {
  return (p00 * (65536 - fx - fy + hi) + p10 * (fx - hi) + p11 * hi + p01 * (fy - hi)) >> 16;
}

inline unsigned Lerp2(unsigned a, unsigned b, uint32_t f) {
  return (a * (65536 - f) + b * f) >> 16;
}

inline LICE_pixel Bilinear(const LICE_pixel* p, long span, int ix, int iy, const Walk& wk,
                           uint32_t fx, uint32_t fy) {
  const bool lastCol = ix + 1 >= wk.hix, lastRow = iy + 1 >= wk.hiy;
  if (lastCol && lastRow) return p[0];
  if (lastCol) {
    const LICE_pixel a = p[0], b = p[span];
    return LICE_RGBA(Lerp2(LICE_GETR(a), LICE_GETR(b), fy), Lerp2(LICE_GETG(a), LICE_GETG(b), fy),
                     Lerp2(LICE_GETB(a), LICE_GETB(b), fy), Lerp2(LICE_GETA(a), LICE_GETA(b), fy));
  }
  if (lastRow) {
    const LICE_pixel a = p[0], b = p[1];
    return LICE_RGBA(Lerp2(LICE_GETR(a), LICE_GETR(b), fx), Lerp2(LICE_GETG(a), LICE_GETG(b), fx),
                     Lerp2(LICE_GETB(a), LICE_GETB(b), fx), Lerp2(LICE_GETA(a), LICE_GETA(b), fx));
  }
  const LICE_pixel p00 = p[0], p10 = p[1], p01 = p[span], p11 = p[span + 1];
  const uint32_t hi = (uint32_t)(((uint64_t)fx * fy) >> 16);
  return LICE_RGBA(
      Lerp4(LICE_GETR(p00), LICE_GETR(p10), LICE_GETR(p01), LICE_GETR(p11), fx, fy, hi),
      Lerp4(LICE_GETG(p00), LICE_GETG(p10), LICE_GETG(p01), LICE_GETG(p11), fx, fy, hi),
      Lerp4(LICE_GETB(p00), LICE_GETB(p10), LICE_GETB(p01), LICE_GETB(p11), fx, fy, hi),
      Lerp4(LICE_GETA(p00), LICE_GETA(p10), LICE_GETA(p01), LICE_GETA(p11), fx, fy, hi));
}

template <Rule R, bool kBilinear>
void RotateRows(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int w, int h, Walk wk,
                int wt) {
  LICE_pixel* drow = LICE_RowPtr(dest, dsty) + dstx;
  const long dstep = LICE_RowStep(dest);
  const LICE_pixel* sbase = LICE_RowPtr(src, 0);
  const long sstep = LICE_RowStep(src);
  int64_t rx = wk.x0, ry = wk.y0;
  for (int y = 0; y < h; ++y, drow += dstep, rx += wk.dxy, ry += wk.dyy) {
    int64_t px = rx, py = ry;
    for (int x = 0; x < w; ++x, px += wk.dxx, py += wk.dyx) {
      const int64_t ix = px >> 16, iy = py >> 16; // floor, also below zero
      if (ix < wk.lox || ix >= wk.hix || iy < wk.loy || iy >= wk.hiy) continue;
      const LICE_pixel* sp = sbase + (long)iy * sstep + (long)ix;
      LICE_pixel s;
      if (kBilinear)
        s = Bilinear(sp, sstep, (int)ix, (int)iy, wk, (uint32_t)(px & 0xffff),
                     (uint32_t)(py & 0xffff));
      else
        s = *sp;
      Combine<R>(drow + x, s, wt);
    }
  }
}

template <bool kBilinear>
void RotateDispatch(Rule r, LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int w, int h,
                    const Walk& wk, int wt) {
  switch (r) {
  case kCopyFull:
    RotateRows<kCopyFull, kBilinear>(dest, src, dstx, dsty, w, h, wk, wt);
    break;
  case kCopyHalf:
    RotateRows<kCopyHalf, kBilinear>(dest, src, dstx, dsty, w, h, wk, wt);
    break;
  case kCopyWeighted:
    RotateRows<kCopyWeighted, kBilinear>(dest, src, dstx, dsty, w, h, wk, wt);
    break;
  case kCopyAlphaFull:
    RotateRows<kCopyAlphaFull, kBilinear>(dest, src, dstx, dsty, w, h, wk, wt);
    break;
  case kCopyAlpha:
    RotateRows<kCopyAlpha, kBilinear>(dest, src, dstx, dsty, w, h, wk, wt);
    break;
  case kAdd:
    RotateRows<kAdd, kBilinear>(dest, src, dstx, dsty, w, h, wk, wt);
    break;
  case kAddAlpha:
    RotateRows<kAddAlpha, kBilinear>(dest, src, dstx, dsty, w, h, wk, wt);
    break;
  case kDodge:
    RotateRows<kDodge, kBilinear>(dest, src, dstx, dsty, w, h, wk, wt);
    break;
  case kDodgeAlpha:
    RotateRows<kDodgeAlpha, kBilinear>(dest, src, dstx, dsty, w, h, wk, wt);
    break;
  }
}

} // namespace

namespace {

// The destination pixels a copy may touch: clipL <= x < clipR, clipT <= y < clipB.
struct DestClip {
  int clipL, clipT, clipR, clipB;
};

// Source pixels a copy may read, lo <= p < hi; all of the bitmap when not given.
struct SourceBounds {
  int lox, loy, hix, hiy;
};

void WalkBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
              float srcx, float srcy, float srcw, float srch, float angle, bool clipToSourceRect,
              float weight, int mode, float rotxcent, float rotycent, DestClip clip,
              const SourceBounds* bounds = nullptr) {
  if (!dest || !src || !dest->getBits() || !src->getBits()) return;
  if (!dstw || !dsth) return;
  const int wt = WeightToInt(weight);
  if (wt < 1) return;
  if (!std::isfinite(srcx) || !std::isfinite(srcy) || !std::isfinite(srcw) ||
      !std::isfinite(srch) || !std::isfinite(angle) || !std::isfinite(rotxcent) ||
      !std::isfinite(rotycent))
    return;

  // A negative size mirrors: the same source points are walked in reverse order.
  const bool mirrorX = dstw < 0, mirrorY = dsth < 0;
  if (mirrorX) {
    dstw = -dstw;
    dstx -= dstw;
  }
  if (mirrorY) {
    dsth = -dsth;
    dsty -= dsth;
  }

  const double cs = std::cos((double)angle), sn = std::sin((double)angle);
  const double sx = (double)srcw / dstw, sy = (double)srch / dsth;
  const double x0 = srcx + rotxcent + (srcw - (dstw * sx * cs + dsth * sx * sn)) / 2.0;
  const double y0 = srcy + rotycent + (srch - (dsth * sy * cs - dstw * sy * sn)) / 2.0;
  // Source coordinates beyond this range cannot address a bitmap; refuse them.
  if (!(std::fabs(x0) < 1e9 && std::fabs(y0) < 1e9 && std::fabs(sx) < 1e9 && std::fabs(sy) < 1e9))
    return;

  Walk wk;
  wk.dxx = ToFixed(sx * cs);
  wk.dyx = ToFixed(-sy * sn);
  wk.dxy = ToFixed(sx * sn);
  wk.dyy = ToFixed(sy * cs);
  wk.x0 = ToFixed(x0);
  wk.y0 = ToFixed(y0);

  wk.lox = 0;
  wk.loy = 0;
  wk.hix = src->getWidth();
  wk.hiy = src->getHeight();
  if (clipToSourceRect) {
    const double l = std::fmin(srcx, srcx + srcw), r = std::fmax(srcx, srcx + srcw);
    const double t = std::fmin(srcy, srcy + srch), b = std::fmax(srcy, srcy + srch);
    if (l > wk.lox) wk.lox = (int)std::floor(l);
    if (t > wk.loy) wk.loy = (int)std::floor(t);
    if (r < wk.hix) wk.hix = (int)std::ceil(r);
    if (b < wk.hiy) wk.hiy = (int)std::ceil(b);
  }
  if (bounds) {
    if (bounds->lox > wk.lox) wk.lox = bounds->lox;
    if (bounds->loy > wk.loy) wk.loy = bounds->loy;
    if (bounds->hix < wk.hix) wk.hix = bounds->hix;
    if (bounds->hiy < wk.hiy) wk.hiy = bounds->hiy;
  }
  if (wk.lox >= wk.hix || wk.loy >= wk.hiy) return;

  // Clip the destination rectangle to the bitmap; the walk starts at the first
  // destination pixel kept (columns and rows counted in walk order when mirrored).
  if (clip.clipL < 0) clip.clipL = 0;
  if (clip.clipT < 0) clip.clipT = 0;
  if (clip.clipR > dest->getWidth()) clip.clipR = dest->getWidth();
  if (clip.clipB > dest->getHeight()) clip.clipB = dest->getHeight();
  int cx0 = 0, cy0 = 0; // first kept column and row, relative to the rectangle
  int w = dstw, h = dsth;
  if (dstx < clip.clipL) {
    cx0 = clip.clipL - dstx;
    w -= cx0;
    dstx = clip.clipL;
  }
  if (dsty < clip.clipT) {
    cy0 = clip.clipT - dsty;
    h -= cy0;
    dsty = clip.clipT;
  }
  if (w > clip.clipR - dstx) w = clip.clipR - dstx;
  if (h > clip.clipB - dsty) h = clip.clipB - dsty;
  if (w <= 0 || h <= 0) return;

  // Index along the unmirrored walk of the first kept pixel, and the direction.
  const int64_t ix0 = mirrorX ? (int64_t)dstw - 1 - cx0 : cx0;
  const int64_t iy0 = mirrorY ? (int64_t)dsth - 1 - cy0 : cy0;
  wk.x0 += ix0 * wk.dxx + iy0 * wk.dxy;
  wk.y0 += ix0 * wk.dyx + iy0 * wk.dyy;
  if (mirrorX) {
    wk.dxx = -wk.dxx;
    wk.dyx = -wk.dyx;
  }
  if (mirrorY) {
    wk.dxy = -wk.dxy;
    wk.dyy = -wk.dyy;
  }

  const Rule r = PickRule(mode, wt, weight);
  if ((mode & LICE_BLIT_FILTER_MASK) == LICE_BLIT_FILTER_BILINEAR)
    RotateDispatch<true>(r, dest, src, dstx, dsty, w, h, wk, wt);
  else
    RotateDispatch<false>(r, dest, src, dstx, dsty, w, h, wk, wt);
}

} // namespace

void LICE_RotatedBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                      float srcx, float srcy, float srcw, float srch, float angle,
                      bool clipToSourceRect, float weight, int mode, float rotxcent,
                      float rotycent) {
  if (!dest) return;
  WalkBlit(dest, src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch, angle, clipToSourceRect,
           weight, mode, rotxcent, rotycent, {0, 0, dest->getWidth(), dest->getHeight()});
}

void LICE_ScaledBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     int srcx, int srcy, int srcw, int srch, const LICE_RECT* clip, float weight,
                     int mode) {
  if (!dest || dstw <= 0 || dsth <= 0 || srcw <= 0 || srch <= 0) return;
  DestClip c = {0, 0, dest->getWidth(), dest->getHeight()};
  if (clip) c = {clip->left, clip->top, clip->right, clip->bottom};
  // Pixel centres onto pixel centres: destination pixel i samples the source at
  // srcx + (i + 1/2) * srcw / dstw - 1/2. The walk maps pixel corners, so the start
  // moves by that half-pixel difference; the source rectangle bounds the samples so a
  // frame never picks up its neighbour.
  const double sx = (double)srcw / dstw, sy = (double)srch / dsth;
  const float x0 = (float)(srcx + 0.5 * sx - 0.5), y0 = (float)(srcy + 0.5 * sy - 0.5);
  const SourceBounds bounds = {srcx, srcy, srcx + srcw, srcy + srch};
  WalkBlit(dest, src, dstx, dsty, dstw, dsth, x0, y0, (float)srcw, (float)srch, 0.0f, false, weight,
           mode | LICE_BLIT_FILTER_BILINEAR, 0.0f, 0.0f, c, &bounds);
}
