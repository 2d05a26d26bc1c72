// Step bars and shift buttons. The click curve makes the middle levels narrower than
// the outer ones, so that empty and full are easy to hit; a drag moves in equal
// quarters instead, so that sweeping across a bar passes every level.
#include "MyBar.h"

#include "ControlRounding.h"
#include "IGraphics.h"
#include "IPlugBase.h"
#include "WDL_Mutex.h"

#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

MyBar::MyBar(IPlugBase* plug, uint16_t* stepValue, const IRECT* rect, const IColor* color,
             uint16_t* editedStep, uint16_t* editedValue)
    : IControl(plug, rect, -1), mColor(*color), mStepIdx((int16_t)*editedStep),
      mStepValue(stepValue), mEditedStepPtr(editedStep), mEditedValuePtr(editedValue) {
  mValue = (float)*stepValue * 0.25f;
}

void MyBar::SetCursor(int cursorId) {
  if (IGraphics* graphics = mPlug ? mPlug->GetGUI() : nullptr)
    graphics->SetPlatformCursor(cursorId);
}

// Where x lies along the bar, 0 at the left edge and 1 at the right.
float MyBar::Position(int x) const {
  const int w = mRECT.R - mRECT.L;
  return w > 0 ? (float)(x - mRECT.L) / (float)w : 0.0f;
}

void MyBar::SetStep(int x, ERule rule) {
  if (!mPlug) return;
  const float t = Position(x);
  int v;
  if (rule == kRightButtonRule) {
    mValue = 1.0;
    v = RoundHalfAwayF(4.0f * (float)mValue);
  } else if (rule == kClickRule) {
    v = (int)(2.0 * (1.0 - std::cos(kPi * (double)t)) + 0.5);
  } else {
    v = RoundHalfAwayF(4.0f * t);
  }

  WDL_MutexLock lock(&mPlug->mMutex);
  *mStepValue = (uint16_t)v;
  *mEditedStepPtr = (uint16_t)mStepIdx;
  *mEditedValuePtr = (uint16_t)v;
  mValue = v * 0.25;

  // The invisible control of the step-edit parameter takes the 1 as user input and
  // pushes it to the plug-in, whose reaction announces and repacks the edit.
  IParam* param = mPlug->GetParam(kStepEditedParam);
  IGraphics* graphics = mPlug->GetGUI();
  if (param && graphics) {
    mPlug->HostBeginEdit(kStepEditedParam);
    param->SetClamped(1.0);
    graphics->SetControlsFromUserInput(kStepEditedParam, param->GetNormalized());
    mPlug->HostEndEdit(kStepEditedParam);
  }
  SetDirty(true);
}

void MyBar::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod->R) {
    SetStep(x, kRightButtonRule);
    return;
  }
  if (!mRECT.Contains(x, y)) return;
  const float t = Position(x);
  const double value = mValue;
  if (t > value - 0.15 && t < value + 0.15) SetCursor(IGraphics::kCursorSizeWE);
  SetStep(x, kClickRule);
}

void MyBar::OnMouseUp(int x, int y, IMouseMod* mod) { SetCursor(IGraphics::kCursorArrow); }

void MyBar::OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) {
  SetCursor(IGraphics::kCursorSizeWE);
  if (mRECT.Contains(x, y)) SetStep(x, kDragRule);
}

bool MyBar::Draw(IGraphics* graphics) {
  const double value = mValue;
  const int w = RoundHalfAwayF((float)(mRECT.R - mRECT.L) * (float)value);
  IRECT fill(mRECT.L, mRECT.T, mRECT.L + w, mRECT.B);
  graphics->FillIRect(&mColor, &fill, nullptr);
  // The bar is what the user sees: its level is the entry's level, also after a wheel
  // nudge or a double click, which change only the bar's value.
  if (mPlug) {
    WDL_MutexLock lock(&mPlug->mMutex);
    *mStepValue = (uint16_t)RoundHalfAwayF((float)(value * 4.0));
  }
  return true;
}

// ---- MyBar2 ------------------------------------------------------------------------------------

MyBar2::MyBar2(IPlugBase* plug, int paramIdx, int x, int y, const IBitmap* bitmap)
    : IControl(plug, IRECT(x, y, x + bitmap->W, y + bitmap->H), paramIdx), mBitmap(*bitmap) {}

void MyBar2::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod->R || !mRECT.Contains(x, y)) return;
  const float mid = (float)(mRECT.L + mRECT.R) * 0.5f;
  if ((float)x > mid)
    mValue = 0.6;
  else if ((float)x < mid)
    mValue = 0.4;
  SetDirty(true);
}

void MyBar2::OnMouseUp(int x, int y, IMouseMod* mod) {
  mValue = 0.5;
  mReleased = true;
  SetDirty(true);
}

bool MyBar2::IsDirty() {
  if (mValue != 0.5 || mReleased) {
    mReleased = false;
    return true;
  }
  return false;
}

bool MyBar2::Draw(IGraphics* graphics) {
  const int mid = RoundHalfAwayF((float)(mRECT.L + mRECT.R) * 0.5f);
  const double value = mValue;
  if (value > 0.5 && value < 1.0) {
    IRECT half(mid, mRECT.T, mRECT.R, mRECT.B);
    graphics->DrawBitmapFrame(&mBitmap, &half, 2, &mBlend, false);
    mValue = value + 0.005;
    SetDirty(true);
  } else if (value > 0.0 && value < 0.5) {
    IRECT half(mRECT.L, mRECT.T, mid, mRECT.B);
    graphics->DrawBitmapFrame(&mBitmap, &half, 1, &mBlend, false);
    mValue = value - 0.005;
    SetDirty(true);
  }
  return true;
}
