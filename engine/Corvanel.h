#pragma once
// Corvanel: a tempo-synchronised 64-step gate. The plug-in class derives from the
// adapter of its deliverable, picked by the build through PluginAdapter.h (the VST2
// adapter, the Audio Unit adapter, or the test host).
#include "GateGrid.h"
#include "PluginAdapter.h"
#include "RelaxedAtomic.h"

#include <cstdint>

class IControl;
class ITextControl;

enum ECorvanelParams {
  kRate = 0,
  kCycle,
  kAttack,
  kGate,
  kTieLock,
  kRelease,
  kFade,
  kSplitFreq,
  kTarget,
  kMix,
  kStepWord0,
  kStepWord12 = kStepWord0 + 12,
  kNumSavedParams, // 23: the parameters the saved state holds
  kStepEdited = kNumSavedParams,
  kShiftTime,
  kShiftVolume,
  kNumParams // 26
};

enum ECorvanelTarget { kTargetVolume = 0, kTargetLowGain, kTargetHighGain, kTargetLowHigh };

enum ECorvanelEnvState { kEnvIdle = 0, kEnvAttack, kEnvHold, kEnvRelease, kEnvClosed };

constexpr int kNumSteps = 64;
constexpr int kNumStepEntries = 128; // 64 step times, then 64 step volumes
constexpr int kNumPresets = 50;
constexpr int kNumRates = 28;

class CLS_CORVANEL : public PluginAdapter {
public:
  explicit CLS_CORVANEL(IPlugInstanceInfo instanceInfo);
  ~CLS_CORVANEL() override;

  // [main or audio thread; takes the mutex] New sample rate, block size, bypass, or reset.
  void Reset() override;
  // [audio thread; mutex held by the VST2 adapter] One block of stereo double samples.
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
  // [audio thread; mutex held by the VST2 adapter] The same block on the host's float
  // buffers, converting each sample where it is read and written.
  bool ProcessFloatBlock(float** inputs, float** outputs, int nFrames) override;
  // [any thread; takes the mutex] The reaction to a parameter's new whole value.
  void ParamChanged(int paramIdx) override;
  // [main thread; takes the mutex] The saved parameter block, holding the pattern as the
  // editor shows it even before the next block publishes an edit.
  bool WriteState(ChunkBuffer* chunk) override;

  // Length of one step in bars for a Rate index 0..27, rounded to single precision.
  static float RateToBars(int rateIndex);

  // [audio thread; mutex held] Writes one repacked step word to the host inside a gesture.
  void PublishStepWord(int paramIdx, int value);

  // ---- Read by the editor and by tests -------------------------------------------------------
  const uint16_t* Steps() const { return mSteps; }
  uint16_t* StepEntry(int entry) { return &mSteps[entry]; }
  const char* StatusText() const { return mStatusBuf; }
  // The editor's status line, as the user sees it.
  ITextControl* StatusLine() const { return mStatusText; }
  int CurrentStep() const { return mCurStep; }

protected:
  // Engine fields. Everything from mGlideLeft on starts at zero.
  int32_t* mAppliedValues = nullptr; // change filter: last whole value applied per parameter
  uint16_t mSteps[kNumStepEntries];  // 0-63 step times, 64-127 step volumes, each 0..4
  char mStatusBuf[56];
  ITextControl* mStatusText = nullptr;
  IControl* mStepBars[kNumStepEntries];

  int32_t mGlideLeft;
  int32_t mAttackPct, mReleasePct, mFadePct;
  double mSamplesPerBar;
  double mLastSampleRate;
  double mLowL, mLowR;
  double mEnvLevel;
  double mAttackInc, mReleaseInc;
  double mSplitCoef;
  double mVolume;
  double mVolumeInc;
  float mWet, mDry;
  float mGateScale;
  uint16_t mTarget;
  uint16_t mEnvState;
  RelaxedAtomic<uint16_t> mCurStep; // written by the audio thread, read by the activity displays
  uint16_t mCycle;
  uint16_t mEditedStep;
  uint16_t mEditedValue;
  int32_t mStepPos;
  int32_t mStepLen;
  int32_t mGateLen;
  int32_t mFadeLen;
  uint32_t mLastClock;
  uint32_t mStatusClearAt;
  bool mStarted;
  bool mWasPlaying;
  bool mTieLock;
  bool mResync;
  bool mPackPending;
  bool mTempoSeen = false; // a host tempo has set the step length at least once
  gate::GateGrid mGrid;    // where the steps begin on the host's timeline

  // Readiness: one mark per saved parameter; processing starts once all are set.
  bool mReadyMarks[kNumSavedParams];
  int mUnmarkedCount;

private:
  // [audio thread; mutex held] The step's exact length in samples (the step length
  // before rounding), from which the grid places the boundaries.
  double ExactStepLength();
  // [audio thread; mutex held] One block on double or float buffers.
  template <class T> void ProcessFrames(T** inputs, T** outputs, int nFrames);
  void DefineParameters();
  // The editor description and its controls, attached to the plug-in base.
  void BuildEditor();
  void DefineFactoryPresets();
};
