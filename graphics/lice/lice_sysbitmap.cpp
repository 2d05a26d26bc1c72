// Resizing a system bitmap, the same on every platform: storage grows, never shrinks;
// the platform files supply allocate() and release().
#include "lice_sysbitmap.h"

bool LICE_SysBitmap::resize(int w, int h) {
  if (w == mWidth && h == mHeight) return false;
  if (mAllocWidth && mAllocHeight && w > 0 && h > 0 && w <= mAllocWidth && h <= mAllocHeight) {
    mWidth = w;
    mHeight = h;
    return true;
  }
  if (allocate(w, h)) {
    mWidth = w;
    mHeight = h;
  } else {
    mWidth = mHeight = 0;
  }
  return true;
}
