#pragma once
// The stand-in's CoreGraphics objects, shared by its CoreGraphics and CoreText halves.
#include "CFObject.h"
#include "CoreGraphics/CoreGraphics.h"

#include <vector>

enum : CFTypeID {
  kCGColorSpaceType = 60,
  kCGColorType = 61,
  kCGContextType = 62,
  kCGImageType = 63,
  kCGDataProviderType = 64,
  kCGPathType = 65,
  kCFAttributedStringType = 66,
  kCTFontType = 67,
  kCTLineType = 68,
  kCTFramesetterType = 69,
  kCTFrameType = 70,
};

// The object behind ref when it is a live object of that type, else null.
template <class T> T* CGObject(const void* ref, CFTypeID type) {
  CFObj* o = (CFObj*)ref;
  return o && o->mMagic == CFObj::kMagic && !o->mDead && o->mType == type ? static_cast<T*>(o)
                                                                            : nullptr;
}

struct CGColor : CFObj {
  CGFloat mComponents[4]; // r, g, b, a
  CGColor() : CFObj(kCGColorType, false) {}
};

// An integer rectangle of device pixels, rows counted from the top of the memory.
struct CGPixelBox {
  int mLeft = 0, mTop = 0, mRight = 0, mBottom = 0;
  bool Empty() const { return mRight <= mLeft || mBottom <= mTop; }
};

struct CGState {
  CGAffineTransform mCTM;
  CGPixelBox mClip;
  CGFloat mFill[4] = {0, 0, 0, 1};
  bool mAntialias = true;
};

struct CGContext : CFObj {
  unsigned char* mData;
  int mWidth, mHeight;
  long mBytesPerRow;
  CGState mState;
  std::vector<CGState> mSaved;
  CGAffineTransform mTextMatrix;
  CGContext() : CFObj(kCGContextType, false) {}

  // User space to device space (y grows upward from the bottom of the bitmap).
  CGPoint ToDevice(CGPoint p) const;
  // The device pixels a user-space rectangle covers (pixel centres inside), within the clip.
  CGPixelBox Cover(CGRect r) const;
  unsigned char* Pixel(int x, int row) { return mData + row * mBytesPerRow + 4L * x; }
  // Blends colour (r, g, b in 0..255) into a pixel with coverage v (0..255).
  static void Blend(unsigned char* px, const unsigned rgb[3], unsigned v);
};
