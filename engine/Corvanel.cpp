#include "Corvanel.h"

#include <cstring>

namespace {
constexpr int kVersion = 0x00010200;  // 1.2.0
constexpr int kUniqueID = 0x63687A67; // 'chzg'
constexpr int kMfrID = 0x4F72624C;    // 'OrbL'
} // namespace

CLS_CORVANEL::CLS_CORVANEL(IPlugInstanceInfo instanceInfo)
    : PluginAdapter(instanceInfo, kNumSavedParams, "1-1 2-2", kNumPresets, "Corvanel", "",
                    "Orbalin", kVersion, kUniqueID, kMfrID, 0, 0, false, false) {
  // Every scalar engine field starts at zero.
  mGlideLeft = mAttackPct = mReleasePct = mFadePct = 0;
  mSamplesPerBar = mLastSampleRate = 0.0;
  mLowL = mLowR = mEnvLevel = mAttackInc = mReleaseInc = mSplitCoef = 0.0;
  mVolume = mVolumeInc = 0.0;
  mWet = mDry = mGateScale = 0.0f;
  mTarget = mEnvState = mCurStep = mCycle = mEditedStep = mEditedValue = 0;
  mStepPos = mStepLen = mGateLen = mFadeLen = 0;
  mLastClock = mStatusClearAt = 0;
  mStarted = mWasPlaying = mTieLock = mResync = mPackPending = false;
  mStatusBuf[0] = 0;
  for (int e = 0; e < kNumStepEntries; ++e) {
    mSteps[e] = e < kNumSteps ? 2 : 4;
    mStepBars[e] = nullptr;
  }

  AddExtraParams(kNumParams - kNumSavedParams);

  // The change filter starts at a value no parameter can take, so that the first
  // application of every parameter counts as a change.
  mAppliedValues = new int32_t[kNumParams];
  std::memset(mAppliedValues, 0x9B, sizeof(int32_t) * kNumParams);

  // Processing starts once each saved parameter has been applied.
  for (bool& mark : mReadyMarks)
    mark = false;
  mUnmarkedCount = kNumSavedParams;

  DefineParameters();
  BuildEditor();
  DefineFactoryPresets();
}

CLS_CORVANEL::~CLS_CORVANEL() { delete[] mAppliedValues; }
