#pragma once
// A plain reference model of the gate, written sample by sample from the gate's
// description without any of the processor's shortcuts: the processor's output must
// match it bit for bit.
#include <cstdint>

class GateModel {
public:
  GateModel();

  // A host applies parameter idx (0..22) with whole value v (change-filtered).
  void Apply(int idx, int v);
  // The host's reset request after a change of audio settings.
  void Reset(double sampleRate);
  // One block, with what the host reports for it; `beats` is its musical position, when
  // it gives one (null otherwise).
  void Block(const double* inL, const double* inR, double* outL, double* outR, int n,
             double sampleRate, double tempo, int32_t position, bool playing, uint32_t clock,
             const double* beats = nullptr);

  static float RateToBars(int rate);

  uint16_t mSteps[128];
  int32_t mStepLen = 0;
  int32_t mStepPos = 0;
  int32_t mCurStep = 0;

private:
  void ApplyForced(int idx);
  // First sample of step mAnchorStep + m after the anchor frame.
  int64_t Start(int64_t m) const;

  // The grid: anchor step, phase, exact length and host position; frames since the
  // anchor, the current step's number on the song's grid, the next step's first frame.
  int64_t mAnchorStep = 0, mFrame = 0, mGridStep = 0, mNextStart = 0;
  double mAnchorPhase = 0, mGridLen = 0, mLastBarLen = 0;
  int32_t mAnchorPos = 0;

  int32_t mParams[23];
  int32_t mApplied[23];
  double mSampleRate = 44100.0;
  double mSamplesPerBar = 0, mLastSampleRate = 0;
  double mLowL = 0, mLowR = 0, mEnvLevel = 0, mAttackInc = 0, mReleaseInc = 0;
  double mSplitCoef = 0, mVolume = 0, mVolumeInc = 0;
  float mWet = 0, mDry = 0, mGateScale = 0;
  int32_t mAttack = 0, mRelease = 0, mFade = 0, mTarget = 0, mCycle = 0;
  int32_t mEnvState = 0, mGateLen = 0, mFadeLen = 0, mGlideLeft = 0;
  uint32_t mLastClock = 0;
  bool mStarted = false, mWasPlaying = false, mTieLock = false, mResync = false;
  bool mTempoSeen = false;
};
