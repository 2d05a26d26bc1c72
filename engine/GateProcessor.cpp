// The audio path: the host's tempo and position become a grid of steps; every step
// opens a linear gate envelope for its time value and scales the signal by its volume,
// either as a whole or on one band of a two-band split.
//
// The per-sample arithmetic is fixed (the output is compared bit for bit with an
// independent model). Speed comes from the loop's shape only: the target is chosen
// once per block, the state lives in locals, and stretches where the envelope level
// stays put (hold, closed) run as plain loops without per-sample state checks.
#include "Corvanel.h"
#include "ExactExp.h"
#include "GateMath.h"
#include "ITextControl.h"
#include "StepWords.h"

#include <cmath>
#include <ctime>

using namespace gate;

float CLS_CORVANEL::RateToBars(int rateIndex) {
  if (rateIndex < 0) rateIndex = 0;
  if (rateIndex > kNumRates - 1) rateIndex = kNumRates - 1;
  // Plain values double every three indices from 1/128 bar; the triplet is two thirds
  // of the next longer plain value, the dotted one and a half times its plain value.
  const double base = (double)0.0078125f;
  switch (rateIndex % 3) {
  case 0:
    return (float)(base * ExactExp2((double)rateIndex * 0.3333333333333333));
  case 1:
    return (float)(base * ExactExp2((double)(rateIndex + 2) * 0.3333333333333333) *
                   0.6666666666666666);
  default:
    return (float)(base * ExactExp2((double)(rateIndex - 2) * 0.3333333333333333) * 1.5);
  }
}

void CLS_CORVANEL::Reset() {
  WDL_MutexLock lock(&mMutex);
  if (!mStarted) return;
  if (mSampleRate != mLastSampleRate) {
    mLastSampleRate = mSampleRate;
    mAppliedValues[kSplitFreq] = -1;
    ParamChanged(kSplitFreq);
    // The 120 BPM stand-in tempo is counted in samples of the old rate: redo it.
    if (!mTempoSeen) {
      mAppliedValues[kRate] = -1;
      ParamChanged(kRate);
    }
  }
  mResync = true;
}

namespace {

// The processor's working copy of the engine fields for one block. Kept in locals so
// that stores to the output buffers cannot force the compiler to reload them.
struct GateRun {
  // Fixed for the block.
  const uint16_t* steps;
  int32_t stepLen;
  int32_t fadeLen;
  uint16_t cycle;
  bool tieLock;
  float gateScale;
  double attackInc, releaseInc;
  double splitCoef;
  double dry, wet;
  // Moving state.
  double level, volume, volumeInc;
  double lowL, lowR;
  int32_t glideLeft, stepPos, gateLen;
  uint16_t envState, curStep;
};

// Start of the next step: gate length, envelope restart, volume jump or glide.
inline void EnterNextStep(GateRun& s) {
  ++s.curStep;
  if (s.curStep >= s.cycle) s.curStep = 0;
  const int32_t time = s.steps[s.curStep];
  s.gateLen = ScaledGateLength(time, s.stepLen, s.gateScale, s.tieLock);
  s.envState = s.gateLen != 0 ? kEnvAttack : kEnvRelease;
  const double v = StepFraction(s.steps[s.curStep + kNumSteps]);
  if (s.level <= 0.0 || s.fadeLen <= 0) {
    // A closed gate (or a glide of no length) takes the new volume at once.
    s.volume = v;
    s.glideLeft = 0;
  } else {
    s.glideLeft = s.fadeLen;
    s.volumeInc = (v - s.volume) / s.fadeLen;
    if (s.volumeInc == 0.0) s.glideLeft = 0;
  }
  s.stepPos = 0;
}

// One output frame for gain g (envelope level times step volume).
template <int kTarget> struct GateOut;

template <> struct GateOut<kTargetVolume> {
  static inline void Frame(GateRun& s, double g, double inL, double inR, double* outL,
                           double* outR) {
    const double gain = s.dry + s.wet * g;
    *outL = gain * inL;
    *outR = gain * inR;
  }
};

// The band split: a one-pole low-pass per channel, the high band is input minus low.
// Tiny states are flushed so that denormals never enter the recursion.
// The flush stays a predicted branch (the empty asm keeps the compiler from turning it
// into a select), so that it adds nothing to the recursion's chain of dependent operations.
inline void FlushTiny(double& x) {
  if (__builtin_expect(std::fabs(x) < 1e-24, 0)) {
    __asm__ volatile("");
    x = 0.0;
  }
}

inline void SplitBands(GateRun& s, double inL, double inR, double* lowL, double* lowR) {
  FlushTiny(s.lowL);
  FlushTiny(s.lowR);
  s.lowL = (s.lowL - inL) * s.splitCoef + inL;
  s.lowR = (s.lowR - inR) * s.splitCoef + inR;
  *lowL = s.lowL;
  *lowR = s.lowR;
}

template <> struct GateOut<kTargetLowGain> {
  static inline void Frame(GateRun& s, double g, double inL, double inR, double* outL,
                           double* outR) {
    double lowL, lowR;
    SplitBands(s, inL, inR, &lowL, &lowR);
    *outL = s.dry * inL + s.wet * ((inL - lowL) + lowL * g);
    *outR = s.dry * inR + s.wet * ((inR - lowR) + lowR * g);
  }
};

template <> struct GateOut<kTargetHighGain> {
  static inline void Frame(GateRun& s, double g, double inL, double inR, double* outL,
                           double* outR) {
    double lowL, lowR;
    SplitBands(s, inL, inR, &lowL, &lowR);
    *outL = s.dry * inL + s.wet * ((inL - lowL) * g + lowL);
    *outR = s.dry * inR + s.wet * ((inR - lowR) * g + lowR);
  }
};

template <> struct GateOut<kTargetLowHigh> {
  static inline void Frame(GateRun& s, double g, double inL, double inR, double* outL,
                           double* outR) {
    double lowL, lowR;
    SplitBands(s, inL, inR, &lowL, &lowR);
    *outL = s.dry * inL + s.wet * ((inL - lowL) * g + lowL * (1.0 - g));
    *outR = s.dry * inR + s.wet * ((inR - lowR) * g + lowR * (1.0 - g));
  }
};

// One frame after the envelope moved: the volume glide's step, then the output.
template <int kTarget>
inline void GlideAndOutput(GateRun& s, const double* inL, const double* inR, double* outL,
                           double* outR, int j) {
  if (s.glideLeft > 0) {
    s.volume += s.volumeInc;
    --s.glideLeft;
  }
  GateOut<kTarget>::Frame(s, s.level * s.volume, inL[j], inR[j], &outL[j], &outR[j]);
}

// Frames [i, i + n) with the envelope level standing still: only the glide moves.
template <int kTarget>
inline void RunSteadyLevel(GateRun& s, const double* inL, const double* inR, double* outL,
                           double* outR, int i, int n) {
  const int end = i + n;
  if (s.glideLeft > 0) {
    const int glideEnd = s.glideLeft < n ? i + s.glideLeft : end;
    for (; i < glideEnd; ++i) {
      s.volume += s.volumeInc;
      --s.glideLeft;
      GateOut<kTarget>::Frame(s, s.level * s.volume, inL[i], inR[i], &outL[i], &outR[i]);
    }
  }
  const double g = s.level * s.volume;
  if (kTarget == kTargetVolume) {
    const double gain = s.dry + s.wet * g;
    for (; i < end; ++i) {
      const double l = inL[i], r = inR[i]; // outputs may alias the inputs
      outL[i] = gain * l;
      outR[i] = gain * r;
    }
  } else {
    for (; i < end; ++i)
      GateOut<kTarget>::Frame(s, g, inL[i], inR[i], &outL[i], &outR[i]);
  }
}

// Frames from i on while the level rises (attack) or falls (release), at most n of them.
// Answers how many were done; stops after the frame on which the state changed.
template <int kTarget>
inline int RunRamp(GateRun& s, const double* inL, const double* inR, double* outL, double* outR,
                   int i, int n) {
  int k = 0;
  if (s.envState == kEnvAttack) {
    while (k < n) {
      s.level += s.attackInc;
      const bool reached = s.level >= 1.0;
      if (reached) s.level = 1.0;
      GlideAndOutput<kTarget>(s, inL, inR, outL, outR, i + k);
      ++k;
      if (reached) {
        s.envState = kEnvHold;
        break;
      }
    }
  } else {
    while (k < n) {
      s.level -= s.releaseInc;
      const bool closed = !(s.level > 0.0);
      if (closed) s.level = 0.0;
      GlideAndOutput<kTarget>(s, inL, inR, outL, outR, i + k);
      ++k;
      if (closed) {
        s.envState = kEnvClosed;
        break;
      }
    }
  }
  s.stepPos += k;
  return k;
}

template <int kTarget>
void RunGate(GateRun& s, const double* inL, const double* inR, double* outL, double* outR,
             int nFrames) {
  int i = 0;
  while (i < nFrames) {
    if ((uint32_t)s.stepPos >= (uint32_t)s.stepLen) EnterNextStep(s);
    // Frames left before the next step boundary (at least 1).
    const uint32_t toBoundary = (uint32_t)s.stepLen - (uint32_t)s.stepPos;
    const int run = toBoundary < (uint32_t)(nFrames - i) ? (int)toBoundary : nFrames - i;
    switch (s.envState) {
    case kEnvAttack:
    case kEnvRelease:
      i += RunRamp<kTarget>(s, inL, inR, outL, outR, i, run);
      break;
    case kEnvHold: {
      // The hold ends on the frame whose count in the step reaches the gate length; the
      // level is still 1 on that frame and falls from the next one.
      const uint32_t pos = (uint32_t)s.stepPos;
      const uint32_t gateLen = (uint32_t)s.gateLen;
      const uint32_t held = gateLen > pos + 1 ? gateLen - pos : 1;
      const int n = held < (uint32_t)run ? (int)held : run;
      RunSteadyLevel<kTarget>(s, inL, inR, outL, outR, i, n);
      s.stepPos += n;
      if ((uint32_t)n == held) s.envState = kEnvRelease;
      i += n;
      break;
    }
    default: // closed, or not started: the level stays until the next step
      RunSteadyLevel<kTarget>(s, inL, inR, outL, outR, i, run);
      s.stepPos += run;
      i += run;
      break;
    }
  }
}

} // namespace

void CLS_CORVANEL::ProcessBlock(double** inputs, double** outputs, int nFrames) {
  const double samplesPerBar = 4.0 * SamplesPerBeat();
  if (!mStarted) {
    mStarted = true;
    Reset();
  }
  if (samplesPerBar != mSamplesPerBar) {
    mSamplesPerBar = samplesPerBar;
    mAppliedValues[kRate] = -1;
    ParamChanged(kRate);
    mResync = true;
  }
  if (mStepLen <= 0) {
    // Only when blocks arrive before Rate was ever applied: derive a step length now.
    mAppliedValues[kRate] = -1;
    ParamChanged(kRate);
    mResync = true;
  }

  const uint32_t now = ProcessorClock();
  // The status line shows a message for nine seconds (wrap-safe clock comparison).
  if (mStatusClearAt != 0 && (int32_t)(now - mStatusClearAt) > 0) {
    mStatusBuf[0] = 0;
    if (mStatusText) mStatusText->SetTextFromPlug("");
    mStatusClearAt = 0;
  }

  const bool playing = HostTransportState() != 0;
  if (playing && !mWasPlaying) mResync = true;
  mWasPlaying = playing;

  // A host that stopped calling for more than half a second has moved on: follow it.
  if (now - mLastClock > (uint32_t)(CLOCKS_PER_SEC / 2)) mResync = true;

  const uint16_t cycle = mCycle > 0 ? mCycle : 1;
  if (mResync) {
    const int32_t pos = HostSamplePosition();
    const int32_t len = mStepLen;
    // The step number is the exact floor of position / step length (a single-precision
    // quotient would run one step ahead near boundaries past 2^24 samples), so the grid
    // is seamless for every position, pre-roll included; the offset is always 0..len-1.
    int64_t step = (int64_t)pos / len;
    if (step * len > pos) --step;
    mStepPos = (int32_t)((int64_t)pos - step * len);
    step %= cycle;
    if (step < 0) step += cycle;
    mCurStep = (uint16_t)step;
    mEnvLevel = 0.0;
    mGateLen = PlainGateLength(mSteps[mCurStep], len);
    mEnvState = mGateLen != 0 ? kEnvAttack : kEnvRelease;
    mVolume = StepFraction(mSteps[mCurStep + kNumSteps]);
    mGlideLeft = 0;
    mResync = false;
  }

  if (mPackPending) {
    WDL_MutexLock lock(&mMutex);
    for (int w = 0; w < kNumStepWords; ++w)
      PublishStepWord(kStepWord0 + w, PackStepWord(mSteps, w));
    mPackPending = false;
  }

  if (nFrames > 0) {
    GateRun s;
    s.steps = mSteps;
    s.stepLen = mStepLen;
    s.fadeLen = mFadeLen;
    s.cycle = cycle;
    s.tieLock = mTieLock;
    s.gateScale = mGateScale;
    s.attackInc = mAttackInc;
    s.releaseInc = mReleaseInc;
    s.splitCoef = mSplitCoef;
    s.dry = mDry;
    s.wet = mWet;
    s.level = mEnvLevel;
    s.volume = mVolume;
    s.volumeInc = mVolumeInc;
    s.lowL = mLowL;
    s.lowR = mLowR;
    s.glideLeft = mGlideLeft;
    s.stepPos = mStepPos;
    s.gateLen = mGateLen;
    s.envState = mEnvState;
    s.curStep = mCurStep;

    const double* inL = inputs[0];
    const double* inR = inputs[1];
    double* outL = outputs[0];
    double* outR = outputs[1];
    switch (mTarget) {
    case kTargetLowGain:
      RunGate<kTargetLowGain>(s, inL, inR, outL, outR, nFrames);
      break;
    case kTargetHighGain:
      RunGate<kTargetHighGain>(s, inL, inR, outL, outR, nFrames);
      break;
    case kTargetLowHigh:
      RunGate<kTargetLowHigh>(s, inL, inR, outL, outR, nFrames);
      break;
    default:
      RunGate<kTargetVolume>(s, inL, inR, outL, outR, nFrames);
      break;
    }

    mEnvLevel = s.level;
    mVolume = s.volume;
    mVolumeInc = s.volumeInc;
    // A NaN or infinite input would otherwise stay in the filter for good.
    mLowL = std::isfinite(s.lowL) ? s.lowL : 0.0;
    mLowR = std::isfinite(s.lowR) ? s.lowR : 0.0;
    mGlideLeft = s.glideLeft;
    mStepPos = s.stepPos;
    mGateLen = s.gateLen;
    mEnvState = s.envState;
    mCurStep = s.curStep;
  }

  mLastClock = now;
}
