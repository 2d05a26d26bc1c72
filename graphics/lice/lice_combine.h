#pragma once
// Per-pixel combine rules shared by the rectangle and rotated copies.
// s = source channel, d = destination channel, sa = source alpha, w = weight
// 0..256; "/" truncates toward zero; results are clamped to 255 where they can overflow.
#include "lice.h"

namespace lice_combine {

inline int Clamp255(int v) { return v > 255 ? 255 : v; }

// Which rule a copy uses, picked once per operation.
enum Rule {
  kCopyFull,      // COPY at w = 256: the word as it is
  kCopyHalf,      // COPY at weight exactly 0.5: whole-word average
  kCopyWeighted,  // COPY at other weights
  kCopyAlphaFull, // COPY + USE_ALPHA at w = 256
  kCopyAlpha,     // COPY + USE_ALPHA below 256
  kAdd,
  kAddAlpha,
  kDodge,
  kDodgeAlpha,
};

inline Rule PickRule(int mode, int w, float weight) {
  bool useAlpha = (mode & LICE_BLIT_USE_ALPHA) != 0;
  switch (mode & LICE_BLIT_MODE_MASK) {
  case LICE_BLIT_MODE_ADD:
    return useAlpha ? kAddAlpha : kAdd;
  case LICE_BLIT_MODE_DODGE:
    return useAlpha ? kDodgeAlpha : kDodge;
  default:
    break; // modes the editor never asks for copy
  }
  if (useAlpha) return w >= 256 ? kCopyAlphaFull : kCopyAlpha;
  if (w >= 256) return kCopyFull;
  if (weight == 0.5f) return kCopyHalf;
  return kCopyWeighted;
}

inline int DodgeChannel(int d, int s, int wp) {
  int k = s * wp / 256;
  if (k < 255) return Clamp255(d * 256 / (256 - k));
  return Clamp255(d * 256);
}

template <Rule R> inline void Combine(LICE_pixel* dp, LICE_pixel s, int w) {
  if (R == kCopyFull) {
    *dp = s;
    return;
  }
  if (R == kCopyHalf) {
    *dp = ((*dp >> 1) & 0x7f7f7f7f) + ((s >> 1) & 0x7f7f7f7f);
    return;
  }
  const LICE_pixel d = *dp;
  const int sr = LICE_GETR(s), sg = LICE_GETG(s), sb = LICE_GETB(s), sa = LICE_GETA(s);
  const int dr = LICE_GETR(d), dg = LICE_GETG(d), db = LICE_GETB(d), da = LICE_GETA(d);
  if (R == kCopyWeighted) {
    const int iw = 256 - w;
    *dp = LICE_RGBA(sr + (dr - sr) * iw / 256, sg + (dg - sg) * iw / 256, sb + (db - sb) * iw / 256,
                    sa + (da - sa) * iw / 256);
  } else if (R == kCopyAlphaFull) {
    if (sa == 0) return;
    if (sa == 255) {
      *dp = LICE_RGBA(sr, sg, sb, 255);
      return;
    }
    const int ia = 255 - sa; // 255, not 256: full weight never quite reaches the source
    *dp = LICE_RGBA(sr + (dr - sr) * ia / 256, sg + (dg - sg) * ia / 256, sb + (db - sb) * ia / 256,
                    Clamp255(da + sa));
  } else if (R == kCopyAlpha) {
    if (sa == 0) return;
    const int wp = w * (sa + 1) / 256;
    const int ia = 256 - wp;
    *dp = LICE_RGBA(sr + (dr - sr) * ia / 256, sg + (dg - sg) * ia / 256, sb + (db - sb) * ia / 256,
                    Clamp255(da + wp));
  } else if (R == kAdd) {
    *dp = LICE_RGBA(Clamp255(dr + sr * w / 256), Clamp255(dg + sg * w / 256),
                    Clamp255(db + sb * w / 256), Clamp255(da + sa * w / 256));
  } else if (R == kAddAlpha) {
    if (sa == 0) return;
    const int wp = w * (sa + 1) / 256;
    *dp = LICE_RGBA(Clamp255(dr + sr * wp / 256), Clamp255(dg + sg * wp / 256),
                    Clamp255(db + sb * wp / 256), Clamp255(da + sa * wp / 256));
  } else if (R == kDodge || R == kDodgeAlpha) {
    const int wp = R == kDodgeAlpha ? w * (sa + 1) / 256 : w;
    *dp = LICE_RGBA(DodgeChannel(dr, sr, wp), DodgeChannel(dg, sg, wp), DodgeChannel(db, sb, wp),
                    DodgeChannel(da, sa, wp));
  }
}

// w = int(weight * 256) limited to 0..256; NaN and negative weights give 0.
inline int WeightToInt(float weight) {
  if (!(weight > 0.0f)) return 0;
  if (weight >= 1.0f) return 256;
  return (int)(weight * 256.0f);
}

} // namespace lice_combine
