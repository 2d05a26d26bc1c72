#pragma once
// A plain, sample-by-sample reference of the Corvanel gate: the parameter reactions
// (change filter, step words, shifts), the block-start bookkeeping (tempo, reset,
// transport, resynchronisation, step-word publication) and the per-sample step grid,
// envelope, glide and band split. Written for clarity, not speed, and kept apart from
// the engine's own code so that the two can be compared bit for bit.
//
// Everything here runs on the test's thread; nothing is shared.
#include <cstdint>

class ReferenceGate {
public:
  static constexpr int kNumParams = 26;
  static constexpr int kNumDeclared = 23;
  static constexpr int kNumEntries = 128;

  enum EParam {
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
    kStepEdited,
    kShiftTime,
    kShiftVolume
  };
  enum EEnvState { kEnvNone = 0, kEnvAttack, kEnvHold, kEnvRelease, kEnvClosed };
  enum ETarget { kTargetVolume = 0, kTargetLowGain, kTargetHighGain, kTargetLowHigh };

  // What a fresh instance holds: the parameter defaults and the step array (times 2,
  // volumes 4); nothing applied yet, so blocks are not processed until ApplyAll().
  ReferenceGate();

  // Parameter range and default, as a host sees them.
  static int Min(int paramIdx);
  static int Max(int paramIdx);
  static int Default(int paramIdx);
  static double Shape(int paramIdx);

  // A new whole value arrives from the host (automation, typed text, preset or state
  // load): it is clamped into the range, stored and reacted to.
  void SetParam(int paramIdx, int value);
  // Every parameter applied once, in index order (what opening the instance does).
  void ApplyAll();
  // Base sample rate as the host set it (no reaction until the next Reset()).
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  // The host's reset request (sample rate, block size or processing switched off).
  void Reset();

  // One block as the processor sees it: host tempo in BPM (0 when the host gives
  // none), the host position of the block's first frame as a signed 32-bit count,
  // whether the transport runs, and the musical position of the first frame in beats
  // when the host gives one (hasBeats). Output may not alias input.
  void Process(const double* inL, const double* inR, double* outL, double* outR, int frames,
               double tempo, int32_t position, bool playing, bool hasBeats = false,
               double beats = 0.0);

  int ParamValue(int paramIdx) const { return mValues[paramIdx]; }
  int Step(int entry) const { return mSteps[entry]; }
  bool Ready() const { return mReady; }

  // Engine state for diagnostics.
  int CurStep() const { return mCurStep; }
  int64_t GridStep() const { return mG; }
  int Resyncs() const { return mResyncCount; }
  int32_t StepPos() const { return mStepPos; }
  int32_t StepLen() const { return mStepLen; }
  int32_t GateLen() const { return mGateLen; }
  int32_t FadeLen() const { return mFadeLen; }
  int EnvState() const { return mEnvState; }
  double EnvLevel() const { return mEnvLevel; }
  double Volume() const { return mVolume; }
  double AttackInc() const { return mAttackInc; }
  double ReleaseInc() const { return mReleaseInc; }
  double SplitCoef() const { return mSplitCoef; }
  float Wet() const { return mWet; }
  float Dry() const { return mDry; }

  // One step in bars for a Rate index, single precision.
  static float RateToBars(int rateIndex);

private:
  void ParamChanged(int paramIdx);
  void ComputeStepLen();
  void ComputeAttack();
  void ComputeRelease();
  void ComputeFade();
  void ComputeSplit();
  void Unpack(int word, int value);
  void Shift(int firstEntry, int value);
  void PublishStepWords();
  void Resync(int32_t position, bool musical, double u, double len);
  int64_t StartOf(int64_t m) const;
  void EnterNextStep();
  void RunSample(double inL, double inR, double& outL, double& outR);

  // Parameters and change filter.
  int mValues[kNumParams];
  int mApplied[kNumParams];
  bool mMarked[kNumDeclared];
  bool mReady = false;
  uint16_t mSteps[kNumEntries];

  // Host facts.
  double mSampleRate = 44100.0;
  bool mTempoSeen = false;

  // Engine.
  int mAttackPct = 0, mReleasePct = 0, mFadePct = 0;
  double mSamplesPerBar = 0.0, mLastSampleRate = 0.0;
  double mLowL = 0.0, mLowR = 0.0;
  double mEnvLevel = 0.0, mAttackInc = 0.0, mReleaseInc = 0.0;
  double mSplitCoef = 0.0, mVolume = 0.0, mVolumeInc = 0.0;
  float mWet = 0.0f, mDry = 0.0f, mGateScale = 0.0f;
  int mTarget = 0, mEnvState = kEnvNone, mCurStep = 0, mCycle = 0;
  int32_t mStepPos = 0, mStepLen = 0, mGateLen = 0, mFadeLen = 0, mGlideLeft = 0;
  bool mStarted = false, mWasPlaying = false, mTieLock = false;
  bool mResync = false, mPackPending = false;

  // The step grid: the anchor (step q, phase p, exact length, the host's position
  // there), frames f since it, the current step's number g on the song's grid, the next
  // step's first frame n, and the last samples per bar a host tempo gave.
  int64_t mQ = 0, mF = 0, mG = 0, mN = 0;
  double mP = 0.0, mLen = 0.0, mLastBarLen = 0.0;
  int32_t mAnchorPos = 0;
  int mResyncCount = 0;
};
