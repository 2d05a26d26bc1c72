#ifdef _WIN32
// Windows: a 32-bit top-down DIB section selected into a memory device context.
#include "lice_sysbitmap.h"

LICE_SysBitmap::LICE_SysBitmap(int w, int h) {
  mDC = CreateCompatibleDC(nullptr);
  resize(w, h);
}

LICE_SysBitmap::~LICE_SysBitmap() {
  release();
  if (mDC) DeleteDC(mDC);
}

void* LICE_SysBitmap::getDrawingContext() { return mDC; }

void LICE_SysBitmap::release() {
  if (mSection) {
    if (mDC && mOldObject) SelectObject(mDC, mOldObject);
    DeleteObject(mSection);
  }
  mSection = nullptr;
  mOldObject = nullptr;
  mBits = nullptr;
  mAllocWidth = mAllocHeight = 0;
}

bool LICE_SysBitmap::allocate(int w, int h) {
  release();
  if (!mDC || w <= 0 || h <= 0 || w > 0x7ffffffc) return false;
  long long aw = ((long long)w + 3) & ~3LL;
  if (aw > 0x7fffffff / 4 || (long long)h * (aw * 4) > 0x7fffffffLL) return false;

  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = (LONG)aw;
  bmi.bmiHeader.biHeight = isFlipped() ? h : -h; // negative height: rows top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  mSection = CreateDIBSection(mDC, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!mSection || !bits) {
    if (mSection) DeleteObject(mSection);
    mSection = nullptr;
    return false;
  }
  mOldObject = SelectObject(mDC, mSection);
  mBits = (LICE_pixel*)bits;
  mAllocWidth = (int)aw;
  mAllocHeight = h;
  return true;
}

#endif
