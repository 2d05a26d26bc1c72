#pragma once
// Bitmaps the raster library draws into and reads from.
#include "lice_pixel.h"

// [editor thread] An image of 32-bit pixels. The slot order of the virtual
// operations is part of the library's binary shape: keep it.
class LICE_IBitmap {
public:
  virtual ~LICE_IBitmap() {}
  // First pixel of the top row as stored; null without storage.
  virtual LICE_pixel* getBits() = 0;
  virtual int getWidth() = 0;
  virtual int getHeight() = 0;
  // Pixels from the start of one row to the next (>= width).
  virtual int getRowSpan() = 0;
  // Rows stored bottom-up. Every pixel walk honours it.
  virtual bool isFlipped() { return false; }
  // True if the size changed (even when no storage was obtained), false if it was already w x h.
  virtual bool resize(int w, int h) = 0;
  // The platform drawing context (GDI device context on Windows, the text
  // layer's context on Linux), or null.
  virtual void* getDrawingContext() { return nullptr; }
  // Extension hook; nothing answers it.
  virtual int extended(int id, void* data) { return 0; }
};

// Plain memory bitmap. Rows are padded to the alignment; the bits start on a
// 64-byte boundary; the storage only ever grows.
class LICE_MemBitmap : public LICE_IBitmap {
public:
  explicit LICE_MemBitmap(int w = 0, int h = 0, unsigned int linealign = 4);
  ~LICE_MemBitmap() override;
  LICE_MemBitmap(const LICE_MemBitmap&) = delete;
  LICE_MemBitmap& operator=(const LICE_MemBitmap&) = delete;

  LICE_pixel* getBits() override;
  int getWidth() override { return mWidth; }
  int getHeight() override { return mHeight; }
  int getRowSpan() override { return (mWidth + mAlignMask) & ~mAlignMask; }
  bool resize(int w, int h) override;

  int getAllocatedBytes() const { return mAllocSize; }

private:
  int mWidth = 0;
  int mHeight = 0;
  void* mStorage = nullptr; // as obtained from the allocator (63 bytes of slack)
  int mAllocSize = 0;       // usable bytes behind the aligned start
  int mAlignMask = 0;
};

// Answers the coordinates of row y in the bitmap's storage order.
inline LICE_pixel* LICE_RowPtr(LICE_IBitmap* bm, int y) {
  LICE_pixel* bits = bm->getBits();
  int span = bm->getRowSpan();
  if (bm->isFlipped()) return bits + (long)(bm->getHeight() - 1 - y) * span;
  return bits + (long)y * span;
}

// Step from one row to the next one down, in pixels.
inline long LICE_RowStep(LICE_IBitmap* bm) {
  return bm->isFlipped() ? -(long)bm->getRowSpan() : (long)bm->getRowSpan();
}
