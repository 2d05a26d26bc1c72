#pragma once
// The raster library: rectangle copies and blends, rotated copies, fills.
// Everything is integer arithmetic on 32-bit pixels except the rotation.
#include "lice_bitmap.h"
#include "lice_pixel.h"

struct LICE_RECT;

// Blend mode word: bits 0-7 the combine mode, bits 8-15 the filter, bit 16 the
// source-alpha flag. Every drawing operation also takes a weight (1.0 = full)
// that becomes w = int(weight * 256), 0..256; w < 1 draws nothing.
enum {
  LICE_BLIT_MODE_MASK = 0xff,
  LICE_BLIT_MODE_COPY = 0,
  LICE_BLIT_MODE_ADD = 1,
  LICE_BLIT_MODE_DODGE = 2,
  LICE_BLIT_FILTER_MASK = 0xff00,
  LICE_BLIT_FILTER_BILINEAR = 0x100, // rotated copies only
  LICE_BLIT_USE_ALPHA = 0x10000,     // weight each pixel by the source alpha
};

// The names the graphics core uses for the same bits.
enum {
  kBlendCopy = LICE_BLIT_MODE_COPY,
  kBlendAdd = LICE_BLIT_MODE_ADD,
  kBlendDodge = LICE_BLIT_MODE_DODGE,
  kBlendFilterBilinear = LICE_BLIT_FILTER_BILINEAR,
  kBlendUseSourceAlpha = LICE_BLIT_USE_ALPHA,
};

// [editor thread] Copies or blends the source rectangle to (dstx, dsty), clipped to both bitmaps.
void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int srcw, int srch, float weight, int mode);

// [editor thread] Fills a rectangle with a colour word, clipped to the bitmap.
void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color, float weight,
                   int mode);

// [editor thread] Maps every pixel of the destination rectangle back into the source
// rectangle turned by `angle` radians about its centre shifted by (rotxcent, rotycent).
// Negative destination sizes mirror. Pixels whose source point falls outside the source
// rectangle (clipToSourceRect) or the source bitmap are left untouched.
void LICE_RotatedBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                      float srcx, float srcy, float srcw, float srch, float angle,
                      bool clipToSourceRect, float weight, int mode, float rotxcent = 0.0f,
                      float rotycent = 0.0f);

// [editor thread] Draws the source rectangle into the destination rectangle at another
// size with bilinear filtering, pixel centres onto pixel centres, reading nothing
// outside the source rectangle. Only destination pixels inside `clip` (null: the whole
// bitmap) are touched, and each gets the same value whatever the clip: a part redrawn
// alone matches the whole.
void LICE_ScaledBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     int srcx, int srcy, int srcw, int srch, const LICE_RECT* clip, float weight,
                     int mode);
