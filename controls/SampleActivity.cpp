#include "SampleActivity.h"

#include "IGraphics.h"

SampleActivity::SampleActivity(IPlugBase* plug, const IRECT* rect,
                               const RelaxedAtomic<uint16_t>* curStep)
    : IControl(plug, rect, -1), mCurStepPtr(curStep) {
  const bool upper = rect->T == 230;
  mFirstStep = upper ? 0 : 32;
  mSplitStep = upper ? 16 : 48;
}

bool SampleActivity::Draw(IGraphics* graphics) {
  if (!mLoaded) {
    mMarkBelow = graphics->LoadIBitmap(107, "../img/on.png", 1);
    mMarkAbove = graphics->LoadIBitmap(108, "../img/on_.png", 1);
    mLoaded = true;
  }
  const int s = mCurStepPtr->Load();
  if (s < mFirstStep) return true;
  if (s < mSplitStep) {
    graphics->DrawWholeBitmap(&mMarkBelow, (s - mFirstStep) * kStepPitch + mRECT.L + kMarkerOffset,
                              mRECT.T, nullptr);
  } else if (s < 2 * mSplitStep) {
    graphics->DrawWholeBitmap(&mMarkAbove, (s - mSplitStep) * kStepPitch + mRECT.L + kMarkerOffset,
                              mRECT.B - kMarkerHeight, nullptr);
  }
  return true;
}
