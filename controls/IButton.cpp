#include "IButton.h"

#include "IGraphics.h"

IButton::IButton(IPlugBase* plug, int paramIdx, int x, int y, const IBitmap* bitmap)
    : IControl(plug, IRECT(x, y, x + bitmap->W, y + bitmap->H / bitmap->N), paramIdx),
      mBitmap(*bitmap) {}

void IButton::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod->L) mValue = mValue > 0.5 ? 0.0 : 1.0;
  SetDirty(true);
}

bool IButton::Draw(IGraphics* graphics) {
  if (mValue > 0.5) graphics->DrawBitmapFrame(&mBitmap, &mRECT, 1, nullptr, true);
  return true;
}
