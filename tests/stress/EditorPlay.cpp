#include "EditorPlay.h"

#include "IControl.h"
#include "IGraphics.h"

#include <algorithm>

namespace {

constexpr int kFirstKnob = 4, kLastKnob = 10, kTargetControl = 11, kGateControl = 12,
              kTieLockControl = 13, kFirstShift = 15, kLastShift = 16, kFirstBar = 17,
              kLastBar = 144;

IMouseMod Left() { return IMouseMod(true, false, false, false, false); }

} // namespace

void EditorPlay::Begin(IGraphics* g, long ticks) {
  ++mGestures;
  const Kind kind = (Kind)Pick(0, kNumKinds - 1);
  int control = kFirstBar;
  switch (kind) {
  case kStepBar:
    control = Pick(kFirstBar, kLastBar);
    break;
  case kKnob:
  case kWheel:
    control = Pick(kFirstKnob, kLastKnob);
    break;
  case kShift:
    control = Pick(kFirstShift, kLastShift);
    break;
  case kTarget:
    control = kTargetControl;
    break;
  case kSlider:
    control = kGateControl;
    break;
  case kTieLock:
    control = kTieLockControl;
    break;
  case kNumKinds:
    break;
  }
  if (control >= g->GetNControls()) return;
  const IRECT* r = g->GetControl(control)->GetRECT();
  mX = Pick(r->L, r->R - 1);
  mY = Pick(r->T, r->B - 1);
  IMouseMod mod = Left();
  if (kind == kWheel) {
    g->OnMouseWheel(mX, mY, &mod, Pick(-3, 3));
    return;
  }
  g->OnMouseDown(mX, mY, &mod);
  mHeld = true;
  mMovesLeft = kind == kKnob || kind == kSlider || kind == kStepBar ? Pick(2, 12) : 0;
  // The shift buttons repeat while held: keep them down for several ticks.
  mReleaseAtTick = ticks + (kind == kShift ? Pick(3, 8) : 0);
}

void EditorPlay::Next(IGraphics* g, long ticks) {
  if (!mHeld) {
    Begin(g, ticks);
    return;
  }
  IMouseMod mod = Left();
  if (mMovesLeft > 0) {
    --mMovesLeft;
    // Within the editor, as a window reports a pointer it has captured.
    mX = std::min(std::max(mX + Pick(-6, 6), 0), g->Width() - 1);
    mY = std::min(std::max(mY + Pick(-8, 8), 0), g->Height() - 1);
    g->OnMouseDrag(mX, mY, &mod);
    return;
  }
  if (ticks < mReleaseAtTick) return;
  Release(g);
}

void EditorPlay::Release(IGraphics* g) {
  if (!mHeld) return;
  IMouseMod mod = Left();
  g->OnMouseUp(mX, mY, &mod);
  mHeld = false;
}
