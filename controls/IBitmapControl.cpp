#include "IBitmapControl.h"

#include "IGraphics.h"

namespace {
IRECT FrameRect(int x, int y, const IBitmap* bitmap) {
  const int n = bitmap->N > 0 ? bitmap->N : 1;
  return IRECT(x, y, x + bitmap->W, y + bitmap->H / n);
}
} // namespace

IBitmapControl::IBitmapControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                               IChannelBlend blend)
    : IControl(plug, FrameRect(x, y, bitmap), paramIdx, blend), mBitmap(*bitmap) {}

IBitmapControl::IBitmapControl(IPlugBase* plug, const IRECT* rect, IBitmap* bitmap,
                               IChannelBlend blend)
    : IControl(plug, rect, -1, blend), mBitmap(*bitmap) {}

bool IBitmapControl::Draw(IGraphics* graphics) {
  const int n = mBitmap.N;
  int frame = 1;
  if (n > 1) {
    frame = (int)((double)(n - 1) * mValue + 0.5) + 1;
    if (frame < 1) frame = 1;
    if (frame > n) frame = n;
  }
  return graphics->DrawBitmapFrame(&mBitmap, &mRECT, frame, &mBlend, mVerticalFrames);
}
