#include "IRadioButtons.h"

#include "IGraphics.h"

namespace {

IRECT GroupRect(int x, int y, const IBitmap* bitmap, bool combined, int direction) {
  int w = bitmap->W, h = bitmap->H;
  if (!combined) {
    if (direction == 1)
      w *= bitmap->N;
    else
      h *= bitmap->N;
  }
  return IRECT(x, y, x + w, y + h);
}

} // namespace

IRadioButtons::IRadioButtons(IPlugBase* plug, int paramIdx, int x, int y, const IBitmap* bitmap,
                             bool combined, int direction, int size0, int size1, int size2)
    : IControl(plug, GroupRect(x, y, bitmap, combined, direction), paramIdx), mBitmap(*bitmap),
      mVertical(direction != 1) {
  const int n = bitmap->N > 0 ? bitmap->N : 1;
  const int length = mVertical ? bitmap->H : bitmap->W; // along the stacking direction
  const int sizes[3] = {size0, size1, size2};
  const bool sized = size0 != 0 || size1 != 0 || size2 != 0;
  int pos = mVertical ? y : x;
  int size = 0;
  for (int i = 0; i < n; ++i) {
    if (!combined)
      size = length;
    else if (i == n - 1)
      size = sized ? length - size0 - size1 - size2 : length / n;
    else if (i < 3)
      size = sizes[i] != 0 ? sizes[i] : length / n;
    // else: a later button takes the size of the one before it
    const IRECT button = mVertical ? IRECT(x, pos, x + bitmap->W, pos + size)
                                   : IRECT(pos, y, pos + size, y + bitmap->H);
    mButtonRECTs.Add(button);
    pos += size;
  }
}

void IRadioButtons::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod->R) {
    PromptUserInput();
  } else {
    const int n = NButtons();
    for (int i = 0; i < n; ++i) {
      if (GetButtonRECT(i)->Contains(x, y)) {
        mValue = n > 1 ? (double)i / (double)(n - 1) : 0.0;
        break;
      }
    }
  }
  SetDirty(true);
}

bool IRadioButtons::Draw(IGraphics* graphics) {
  const int n = NButtons();
  if (n <= 0) return true;
  int k = (int)((double)(n - 1) * mValue + 0.5) + 1;
  if (k < 1) k = 1;
  if (k > n) k = n;
  IRECT button = *GetButtonRECT(k - 1);
  if (mVertical) return graphics->DrawBitmap(&mBitmap, &button, 0, button.T - mRECT.T, &mBlend);
  return graphics->DrawBitmap(&mBitmap, &button, button.L - mRECT.L, 0, &mBlend);
}
