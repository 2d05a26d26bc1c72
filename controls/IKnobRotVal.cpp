#include "IKnobRotVal.h"

#include "ControlRounding.h"
#include "IGraphics.h"
#include "IPlugBase.h"
#include "WDL_Mutex.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;

IRECT KnobRect(int x, int y, const IBitmap* bitmap, const IText* text, int textGap,
               int widthOverride) {
  const int hw = widthOverride != 0 ? widthOverride / 2
                                    : RoundHalfAwayF((float)bitmap->W / (float)bitmap->N / 2.0f);
  const int hh = RoundHalfAwayF((float)bitmap->H / 2.0f);
  IRECT r(x - hw, y - hh, x + hw, y + hh);
  if (textGap > 0) r.B += textGap + text->mSize;
  return r;
}

} // namespace

IKnobRotVal::IKnobRotVal(IPlugBase* plug, int paramIdx, int x, int y, const IBitmap* bitmap,
                         const IText* text, int textGap, int angleRange, double gearing,
                         int widthOverride, int direction, float weight, bool showLabel,
                         int positions)
    : IKnobControl(plug, KnobRect(x, y, bitmap, text, textGap, widthOverride), paramIdx, direction,
                   gearing),
      mText(*text), mBitmap(*bitmap), mCenterX(x), mCenterY(y), mTextGap(textGap),
      mAngleRange(angleRange), mSnapSteps((int16_t)(positions - 1)), mWeight(weight),
      mShowLabel(showLabel), mRotBlend(IChannelBlend::kBlendNone, weight) {}

void IKnobRotVal::OnMouseUp(int x, int y, IMouseMod* mod) {
  if (mSnapSteps > 0) mValue = std::floor(mSnapSteps * mValue + 0.5) / mSnapSteps;
  SetDirty(true);
}

double IKnobRotVal::AngleFor(double value) const {
  const float a = (float)(mAngleRange * (kPi / 360.0));
  const float lo = (float)(mAngleRange * (-kPi / 360.0));
  return lo + 2.0 * value * a;
}

void IKnobRotVal::ValueText(char* out, int size) {
  char text[96] = {0};
  IParam* param = mPlug ? mPlug->GetParam(ParamIdx) : nullptr;
  if (param) {
    WDL_MutexLock lock(&mPlug->mMutex);
    param->FormatDisplay(param->mValue, false, text);
    if (text[0] && mShowLabel)
      std::strncat(text, param->GetLabel(), sizeof(text) - std::strlen(text) - 1);
  }
  std::snprintf(out, (size_t)size, "%s", text);
}

bool IKnobRotVal::Draw(IGraphics* graphics) {
  mRotBlend = IChannelBlend(IChannelBlend::kBlendNone, mWeight);

  char text[96];
  ValueText(text, sizeof(text));
  if (text[0] && mText.mSize > 0) {
    mText.mAlign = IText::kAlignCenter;
    IRECT r(mRECT.L, mRECT.B - mText.mSize, mRECT.R, mRECT.B);
    if (mTextGap < 0) {
      r.T += mTextGap;
      r.B += mTextGap;
    }
    graphics->DrawIText(&mText, text, &r);
  }

  const double value = mValue;
  const double angle = AngleFor(value);
  // The source offset grows from 0 at the centre of the range to one pixel at its ends.
  const float d = -2.0f * std::fabs((float)value - 0.5f);
  if (mBitmap.N <= 1)
    return graphics->DrawRotatedBitmap(&mBitmap, mCenterX, mCenterY, angle, d, d, &mRotBlend);

  if (!mAuxBitmap.mData) {
    IRECT left(0, 0, RoundHalfAwayF((float)mBitmap.W / 2.0f), mBitmap.H);
    mAuxBitmap = graphics->CropBitmap(&mBitmap, &left);
  }
  graphics->DrawRotatedBitmap(&mAuxBitmap, mCenterX, mCenterY, angle, d, d, &mRotBlend);
  const float frameHalf = (float)mBitmap.W / (float)mBitmap.N / 2.0f;
  IRECT overlay(RoundHalfAwayF((float)mCenterX - frameHalf), mRECT.T,
                RoundHalfAwayF((float)mCenterX + frameHalf), mRECT.B - mTextGap - mText.mSize);
  return graphics->DrawBitmapFrame(&mBitmap, &overlay, mBitmap.N, &mBlend, false);
}
