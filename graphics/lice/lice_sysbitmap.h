#pragma once
// A bitmap the platform can draw text into and copy to the screen.
#include "lice_bitmap.h"

#ifdef _WIN32
#include <windows.h>
#endif

struct LICE_TextContext;
struct MacContextRecord;

class LICE_SysBitmap : public LICE_IBitmap {
public:
  // [editor thread] Starts empty, then takes the size.
  explicit LICE_SysBitmap(int w = 0, int h = 0);
  ~LICE_SysBitmap() override;
  LICE_SysBitmap(const LICE_SysBitmap&) = delete;
  LICE_SysBitmap& operator=(const LICE_SysBitmap&) = delete;

  LICE_pixel* getBits() override { return mBits; }
  int getWidth() override { return mWidth; }
  int getHeight() override { return mHeight; }
  int getRowSpan() override { return mAllocWidth; }
  bool resize(int w, int h) override;
  void* getDrawingContext() override;

private:
  // Replaces the storage with one of (w + 3) & ~3 by h pixels; false leaves it empty.
  bool allocate(int w, int h);
  void release();

  int mWidth = 0;
  int mHeight = 0;
  LICE_pixel* mBits = nullptr;
  int mAllocWidth = 0;
  int mAllocHeight = 0;
#ifdef _WIN32
  HDC mDC = nullptr;
  HBITMAP mSection = nullptr;
  HGDIOBJ mOldObject = nullptr;
#elif defined(CORVANEL_MACOS)
  MacContextRecord* mContext = nullptr; // the bitmap context over the storage it holds
#else
  void* mStorage = nullptr;             // zero-filled, 63 bytes of slack for the 64-byte start
  LICE_TextContext* mContext = nullptr; // what the text layer draws through
#endif
};
