#include "IControl.h"

#include "IGraphics.h"
#include "IPlugBase.h"

IControl::IControl(IPlugBase* plug, const IRECT& rect, int paramIdx, IChannelBlend blend)
    : mPlug(plug), mRECT(rect), mTargetRECT(rect), ParamIdx(paramIdx), mBlend(blend) {}

IControl::~IControl() {}

void IControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod->R) PromptUserInput();
}

void IControl::PromptUserInput() {
  if (ParamIdx < 0 || mDisablePrompt || !mPlug) return;
  IGraphics* graphics = mPlug->GetGUI();
  IParam* param = mPlug->GetParam(ParamIdx);
  if (!graphics || !param) return;
  graphics->PromptUserInput(this, param, true);
  mRedraw = true;
}

void IControl::OnMouseDblClick(int x, int y, IMouseMod* mod) {
  if (mDefaultValue >= 0.0) {
    mValue = mDefaultValue.Load();
    SetDirty(true);
  }
}

void IControl::OnMouseWheel(int x, int y, IMouseMod* mod, int d) {
  if (mod->C || mod->S)
    mValue += d * 0.001;
  else
    mValue += d * 0.01;
  SetDirty(true);
}

void IControl::SetValueFromPlug(double value) {
  if (mDefaultValue < 0.0) {
    mDefaultValue = value;
    mValue = value;
  } else if (value == mValue) {
    return;
  } else {
    mValue = value;
  }
  SetDirty(false);
  mRedraw = true;
}

void IControl::SetValueFromUserInput(double value) {
  mValue = value;
  SetDirty(true);
  mRedraw = true;
}

void IControl::Hide(bool hide) {
  mHide = hide;
  mRedraw = true;
  SetDirty(false);
}

void IControl::SetGrayed(bool grayed) {
  mGrayed = grayed;
  mBlend.mWeight = grayed ? 0.25f : 1.0f;
  SetDirty(false);
}

bool IControl::IsHit(int x, int y) { return mTargetRECT.Contains(x, y); }

void IControl::SetDirty(bool pushParamToPlug) {
  const double v = mValue;
  if (v < mClampLo)
    mValue = mClampLo;
  else if (v > mClampHi)
    mValue = mClampHi;
  mDirty = true;
  if (pushParamToPlug && mPlug && ParamIdx >= 0) mPlug->SetParamFromEditor(ParamIdx, mValue);
}

void IControl::SetClean() {
  mDirty = mRedraw.Load();
  mRedraw = false;
}

bool IControl::IsDirty() { return mDirty; }

IKnobControl::IKnobControl(IPlugBase* plug, const IRECT& rect, int paramIdx, int direction,
                           double gearing)
    : IControl(plug, rect, paramIdx), mDirection(direction), mGearing(gearing) {}

void IKnobControl::OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) {
  double gearing = mGearing;
  if (mod->C || mod->S) gearing *= 10.0;
  if (mDirection == kVertical)
    mValue += (double)dY / ((double)(mRECT.T - mRECT.B) * gearing);
  else
    mValue += (double)dX / ((double)(mRECT.R - mRECT.L) * gearing);
  SetDirty(true);
}
