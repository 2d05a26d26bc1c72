#include "lice_bitmap.h"

#include <cstdint>
#include <cstdlib>

LICE_MemBitmap::LICE_MemBitmap(int w, int h, unsigned int linealign) {
  if (linealign >= 2) {
    unsigned lowest = linealign & (~linealign + 1);
    mAlignMask = (int)(lowest - 1);
    if (mAlignMask > 15) mAlignMask = 15; // rows aligned to at most 16 pixels
  }
  resize(w, h);
}

LICE_MemBitmap::~LICE_MemBitmap() { std::free(mStorage); }

LICE_pixel* LICE_MemBitmap::getBits() {
  if (!mStorage) return nullptr;
  uintptr_t p = ((uintptr_t)mStorage + 63) & ~(uintptr_t)63;
  return (LICE_pixel*)p;
}

bool LICE_MemBitmap::resize(int w, int h) {
  if (w == mWidth && h == mHeight) return false;
  mWidth = w;
  mHeight = h;

  long long need = 0;
  if (w > 0 && h > 0) {
    long long span = ((long long)w + mAlignMask) & ~(long long)mAlignMask;
    need = span > 0x7fffffff / 4 ? -1 : (long long)h * (span * 4);
  }
  if (need <= 0 || need > 0x7fffffffLL - 63) {
    std::free(mStorage);
    mStorage = nullptr;
    mAllocSize = 0;
  } else if (!mStorage) {
    mStorage = std::malloc((size_t)need + 63);
    mAllocSize = mStorage ? (int)need : 0;
  } else if (need > mAllocSize) {
    // Grow with a quarter of headroom; if that fails, try for exactly what is needed.
    long long grow = need / 4 * 5;
    void* p = grow <= 0x7fffffffLL - 63 ? std::realloc(mStorage, (size_t)grow + 63) : nullptr;
    if (p) {
      mStorage = p;
      mAllocSize = (int)grow;
    } else {
      std::free(mStorage);
      mStorage = std::malloc((size_t)need + 63);
      mAllocSize = mStorage ? (int)need : 0;
    }
  }
  if (!mStorage) mWidth = mHeight = 0;
  return true;
}
