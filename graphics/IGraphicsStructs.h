#pragma once
// The small value types the editor is described in: rectangles, text styles,
// loaded skin images, blends and the mouse-modifier record.
#include "IColor.h"

#include <cstring>

class LICE_CachedFont;

// Integer rectangle. Drawing treats right and bottom as exclusive; hit testing
// treats all four edges as inclusive. Only (0, 0, 0, 0) is empty: a degenerate
// rectangle elsewhere still counts in a union.
struct IRECT {
  int L = 0, T = 0, R = 0, B = 0;

  IRECT() = default;
  IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  void Clear() { L = T = R = B = 0; }
  int W() const { return R - L; }
  int H() const { return B - T; }
  bool operator==(const IRECT& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  bool operator!=(const IRECT& o) const { return !operator==(o); }

  // Neither is empty and they overlap (right and bottom exclusive).
  bool Intersects(const IRECT& o) const {
    return !Empty() && !o.Empty() && o.L < R && L < o.R && o.T < B && T < o.B;
  }
  // The overlap, or the empty rectangle when they do not intersect.
  IRECT Intersect(const IRECT& o) const {
    if (!Intersects(o)) return IRECT();
    return IRECT(L > o.L ? L : o.L, T > o.T ? T : o.T, R < o.R ? R : o.R, B < o.B ? B : o.B);
  }
  // The bounding rectangle; an empty rectangle contributes nothing.
  IRECT Union(const IRECT& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return IRECT(L < o.L ? L : o.L, T < o.T ? T : o.T, R > o.R ? R : o.R, B > o.B ? B : o.B);
  }
  // All four edges inclusive, as the mouse sees a control.
  bool Contains(int x, int y) const { return x >= L && x <= R && y >= T && y <= B; }
};

// A text style. A size of 0 or less switches off the value text of knobs and sliders.
struct IText {
  enum EStyle { kStyleNormal = 0, kStyleBold = 1, kStyleItalic = 2 };
  enum EAlign { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };
  enum EQuality {
    kQualityDefault = 0,
    kQualityNonAntiAliased = 1,
    kQualityAntiAliased = 2,
    kQualityClearType = 3
  };

  char mFont[32];
  int mSize;
  IColor mColor;
  int mStyle;
  int mAlign;
  int mOrientation; // degrees
  int mQuality;
  LICE_CachedFont* mCached = nullptr; // made and owned by the graphics core's font cache

  IText(int size = 14, const IColor* color = nullptr, const char* font = nullptr,
        int style = kStyleNormal, int align = kAlignCenter, int orientation = 0,
        int quality = kQualityDefault)
      : mSize(size), mColor(color ? *color : IColor()), mStyle(style), mAlign(align),
        mOrientation(orientation), mQuality(quality) {
    std::strncpy(mFont, font ? font : "Arial", sizeof(mFont) - 1);
    mFont[sizeof(mFont) - 1] = 0;
  }
};

// A loaded skin image: the cached bitmap (`mData`, a LICE_IBitmap), its width, its full
// height (all frames) and the number of frames. Frames are stacked vertically unless
// the control that draws them says they lie side by side.
struct IBitmap {
  void* mData = nullptr;
  int W = 0, H = 0, N = 1;

  IBitmap() = default;
  IBitmap(void* data, int w, int h, int n = 1) : mData(data), W(w), H(h), N(n) {}
};

// How a control's bitmaps are combined with what lies beneath.
struct IChannelBlend {
  enum EBlendMethod { kBlendNone = 0, kBlendClobber, kBlendAdd, kBlendColorDodge };
  int mMethod;
  float mWeight;

  IChannelBlend(int method = kBlendNone, float weight = 1.0f) : mMethod(method), mWeight(weight) {}
};

// Mouse buttons and modifier keys of one mouse event: left, right, shift, control, alt.
struct IMouseMod {
  bool L, R, S, C, A;

  IMouseMod(bool l = false, bool r = false, bool s = false, bool c = false, bool a = false)
      : L(l), R(r), S(s), C(c), A(a) {}
};
