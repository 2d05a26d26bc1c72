#include "ISlider.h"

#include "ControlRounding.h"
#include "IGraphics.h"
#include "IPlugBase.h"
#include "WDL_Mutex.h"

#include <cstring>

ISliderImg::ISliderImg(IPlugBase* plug, int paramIdx, const IRECT* rect, const IBitmap* handle,
                       const IText* text, int len, int direction)
    : IControl(plug, rect, paramIdx), mText(*text), mBitmap(*handle), mLen(len),
      mVertical(direction == 0) {
  const float m = (float)(rect->L + rect->R) * 0.5f;
  if (mVertical) {
    mTravel = len - handle->H;
    mTrackRECT = IRECT(RoundHalfAwayF(m - (float)handle->W * 0.5f), rect->T,
                       RoundHalfAwayF(m + (float)handle->W * 0.5f), rect->T + len);
  } else {
    mTravel = len - handle->W;
    const int h = len / 2;
    mTrackRECT = IRECT(RoundHalfAwayF(m - (float)h), rect->T, RoundHalfAwayF(m + (float)h),
                       rect->T + handle->H);
  }
}

void ISliderImg::SetValueFromPoint(int x, int y) {
  // The handle's centre follows the pointer. A track no longer than the handle has no
  // travel: the value then stays.
  if (mTravel != 0) {
    if (mVertical)
      mValue = (mBitmap.H * 0.5 - (double)(y - mTrackRECT.T)) / (double)mTravel + 1.0;
    else
      mValue = ((double)(x - mTrackRECT.L) - mBitmap.W * 0.5) / (double)mTravel;
  }
  SetDirty(true);
}

void ISliderImg::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod->R) {
    PromptUserInput();
    return;
  }
  if (mTrackRECT.Contains(x, y)) SetValueFromPoint(x, y);
}

void ISliderImg::OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) {
  if (mTrackRECT.Contains(x, y)) SetValueFromPoint(x, y);
}

bool ISliderImg::Draw(IGraphics* graphics) {
  char text[96] = {0};
  float n = 0.0f;
  IParam* param = mPlug ? mPlug->GetParam(ParamIdx) : nullptr;
  if (param) {
    WDL_MutexLock lock(&mPlug->mMutex);
    if (mText.mSize > 0) {
      param->FormatDisplay(param->mValue, false, text);
      if (text[0]) std::strncat(text, param->GetLabel(), sizeof(text) - std::strlen(text) - 1);
    }
    n = (float)param->GetNormalized();
  }
  if (text[0] && mText.mSize > 0) {
    mText.mAlign = IText::kAlignCenter;
    IRECT r(mRECT.L, mRECT.B - mText.mSize, mRECT.R, mRECT.B);
    graphics->DrawIText(&mText, text, &r);
  }

  // The handle shows the parameter, not the control's value.
  if (mVertical) {
    const int y = RoundHalfAwayF((float)mTrackRECT.T + (float)mTravel * (1.0f - n));
    IRECT r(mTrackRECT.L, y, mTrackRECT.R, y + mBitmap.H);
    return graphics->DrawBitmapFrame(&mBitmap, &r, 1, &mBlend, true);
  }
  const float x = (float)mTrackRECT.L + (float)mTravel * n;
  IRECT r(RoundHalfAwayF(x), mTrackRECT.T, RoundHalfAwayF(x + (float)mBitmap.W), mRECT.B);
  return graphics->DrawBitmapFrame(&mBitmap, &r, 1, &mBlend, true);
}

// ---- ISlider
// -------------------------------------------------------------------------------------

ISlider::ISlider(IPlugBase* plug, int paramIdx, const IRECT* rect, const IBitmap* handle,
                 const IText* text, const IColor* fill, int len, int thickness, int direction,
                 int inset, bool centered)
    : ISliderImg(plug, paramIdx, rect, handle, text, len, direction), mColor(*fill),
      mThickness(thickness), mInset(inset), mCentered(centered) {}

bool ISlider::Draw(IGraphics* graphics) {
  const float v = (float)mValue;
  const float travel = (float)mTravel;
  const int t = mThickness / 2;
  const float halfW = (float)(mBitmap.W / 2), halfH = (float)(mBitmap.H / 2);
  if (mVertical) {
    const float c = (float)(mTrackRECT.L + mTrackRECT.R) * 0.5f;
    if (halfH + travel - (float)mInset > travel * (1.0f - v)) {
      IRECT line(RoundHalfAwayF(c - (float)t),
                 RoundHalfAwayF((float)mTrackRECT.T + travel * (1.0f - v) + halfH),
                 RoundHalfAwayF(c + (float)t), mTrackRECT.T + mTravel + mBitmap.H - mInset);
      graphics->FillIRect(&mColor, &line, nullptr);
    }
  } else {
    const float c = (float)(mTrackRECT.T + mTrackRECT.B) * 0.5f;
    const int top = RoundHalfAwayF(c - (float)t), bottom = RoundHalfAwayF(c + (float)t);
    const float left = (float)mTrackRECT.L;
    if (mCentered) {
      IRECT line(RoundHalfAwayF(left + travel * (v < 0.5f ? v : 0.5f) + halfW), top,
                 RoundHalfAwayF(left + travel * (v > 0.5f ? v : 0.5f) + halfW), bottom);
      graphics->FillIRect(&mColor, &line, nullptr);
    } else if (travel * v + halfW > (float)mInset) {
      IRECT line(mTrackRECT.L + mInset, top, RoundHalfAwayF(left + travel * v + halfW), bottom);
      graphics->FillIRect(&mColor, &line, nullptr);
    }
  }
  return ISliderImg::Draw(graphics);
}
