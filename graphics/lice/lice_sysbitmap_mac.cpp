// macOS: the storage is zero-filled memory behind a CoreGraphics bitmap context (bytes X, R,
// G, B: the system skips the first), whose coordinates are flipped once so that y grows
// downward like the pixel rows. The drawing context handed out is the drawing layer's context
// record, which also holds the selected font and the text and background colours.
#include "lice_sysbitmap.h"
#include "MacTextRules.h"

#include <CoreGraphics/CoreGraphics.h>

#include <cstdint>
#include <cstdlib>

namespace {
// [editor thread; takes the drawing mutex] The colour space of every system bitmap, made once
// per process: the display's profile where the system offers one, device RGB otherwise.
CGColorSpaceRef ColorSpace() {
  std::lock_guard<std::mutex> lock(MacDrawingMutex());
  static CGColorSpaceRef space = nullptr;
  if (!space) space = CGDisplayCopyColorSpace(CGMainDisplayID());
  if (!space) space = CGColorSpaceCreateDeviceRGB();
  return space;
}
} // namespace

LICE_SysBitmap::LICE_SysBitmap(int w, int h) {
  mContext = MacContexts().Take();
  const CGFloat black[4] = {0, 0, 0, 1};
  mContext->mTextColor = (void*)CGColorCreate(ColorSpace(), black);
  resize(w, h);
}

LICE_SysBitmap::~LICE_SysBitmap() {
  release();
  if (mContext->mTextColor) CGColorRelease((CGColorRef)mContext->mTextColor);
  MacContexts().Give(mContext);
}

void* LICE_SysBitmap::getDrawingContext() { return mContext->mContext ? mContext : nullptr; }

void LICE_SysBitmap::release() {
  if (mContext->mContext) CGContextRelease((CGContextRef)mContext->mContext);
  mContext->mContext = nullptr;
  std::free(mContext->mStorage);
  mContext->mStorage = nullptr;
  mBits = nullptr;
  mAllocWidth = mAllocHeight = 0;
}

bool LICE_SysBitmap::allocate(int w, int h) {
  release();
  if (w <= 0 || h <= 0 || w > 0x7ffffffc) return false;
  const long long aw = ((long long)w + 3) & ~3LL;
  if (aw > 0x7fffffff / 4) return false;
  const long long bytes = (long long)h * (aw * 4);
  if (bytes > 0x7fffffffLL - 63) return false;
  void* storage = std::calloc(1, (size_t)bytes + 63);
  if (!storage) return false;
  LICE_pixel* bits = (LICE_pixel*)(((uintptr_t)storage + 63) & ~(uintptr_t)63);
  CGContextRef context = CGBitmapContextCreate(bits, (size_t)aw, (size_t)h, 8, (size_t)aw * 4,
                                               ColorSpace(), kCGImageAlphaNoneSkipFirst);
  if (!context) {
    std::free(storage);
    return false;
  }
  CGContextTranslateCTM(context, 0, h);
  CGContextScaleCTM(context, 1, -1);
  mContext->mContext = (void*)context;
  mContext->mStorage = storage;
  mBits = bits;
  mAllocWidth = (int)aw;
  mAllocHeight = h;
  return true;
}
