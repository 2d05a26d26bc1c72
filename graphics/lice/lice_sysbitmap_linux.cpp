#ifndef _WIN32
// Linux: plain zero-filled 32-bit memory; the drawing context is the text
// layer's record that points back at this bitmap.
#include "lice_sysbitmap.h"
#include "lice_native_font.h"

#include <cstdint>
#include <cstdlib>

LICE_SysBitmap::LICE_SysBitmap(int w, int h) {
  mContext = new LICE_TextContext();
  mContext->bitmap = this;
  resize(w, h);
}

LICE_SysBitmap::~LICE_SysBitmap() {
  release();
  delete mContext;
}

void* LICE_SysBitmap::getDrawingContext() { return mContext; }

void LICE_SysBitmap::release() {
  std::free(mStorage);
  mStorage = nullptr;
  mBits = nullptr;
  mAllocWidth = mAllocHeight = 0;
}

bool LICE_SysBitmap::allocate(int w, int h) {
  release();
  if (w <= 0 || h <= 0 || w > 0x7ffffffc) return false;
  long long aw = ((long long)w + 3) & ~3LL;
  if (aw > 0x7fffffff / 4) return false;
  long long bytes = (long long)h * (aw * 4);
  if (bytes > 0x7fffffffLL - 63) return false;
  mStorage = std::calloc(1, (size_t)bytes + 63);
  if (!mStorage) return false;
  mBits = (LICE_pixel*)(((uintptr_t)mStorage + 63) & ~(uintptr_t)63);
  mAllocWidth = (int)aw;
  mAllocHeight = h;
  return true;
}

#endif
