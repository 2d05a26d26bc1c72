// The audio path: the host's tempo and position become a grid of steps; every step
// opens a linear gate envelope for its time value and scales the signal by its volume,
// either as a whole or on one band of a two-band split.
//
// The per-sample arithmetic is fixed (the output is compared bit for bit with an
// independent model). Speed comes from the loop's shape only: the target is chosen
// once per block, the state lives in locals, and stretches where the envelope level
// stays put (hold, closed) run as plain loops without per-sample state checks.
//
// How the grid follows the host (all in double precision, in the order written):
//
// At every block start the processor knows
// - the step's length in bars, exactly: B = ExactBars(Rate) = 2^(q - 7) times 1, 4/3 or
//   3/2 (q = Rate / 3; Rate mod 3 = 0, 1, 2 for plain, triplet, dotted), and in beats
//   S = 4 * B;
// - the samples per bar R: 4 * (sample rate * 60 / tempo) while the host gives a tempo, the last
//   such value once it has given one, and 4 * (sample rate * 60 / 120) before it ever has;
// - L, the step's exact length in samples: B * R. When RateToBars(Rate) * R (the length
//   the step length mStepLen is rounded from) is below 1, above kMaxStepLen, or does not
//   round (+ 0.5, truncated) to mStepLen, L is mStepLen itself. mStepLen still sets
//   attack, release, fade and gate lengths; L only places the boundaries.
// - the host's sample position pos (signed 32-bit) and, when the host gives both a tempo
//   and a musical position in beats b (ppqPos; the Audio Unit's current beat) with
//   |b| < 2^40, the musical position in steps u = b / S.
//
// The grid is held by an anchor: a step number q, the samples p from step q's exact start
// to the anchor frame, the L it was made with, the host's pos there, and the count f of
// frames run since. Step q + m begins on frame StartOf(m) = floor(m * L - p + 0.5) after
// the anchor frame: the sample nearest its exact start, the later one at a tie. The
// current step has the number g on the song's grid; the next one begins at frame
// n = StartOf(g + 1 - q).
//
// Block start, after the tempo, transport and clock checks (each of which may ask for a
// resynchronisation, as the Rate, the Cycle and Reset do):
// 1. While playing, unless a resynchronisation is asked for, the host is checked for a
//    move (loop, locate, restarted counter):
//    a. its sample position is an exact count, so d = pos - (anchor's pos) - f, in
//       wrapping 32-bit arithmetic, is 0 unless the host moved: d != 0 is a move;
//    b. with a musical position and the anchor's L (no tempo change since the anchor),
//       dm = (u - q) * L - p - f is the host's rounding of its musical position, or a
//       musical move that its sample count did not show: |dm| > R * kMusicalToleranceBars
//       (R the block's samples per bar: a sixteenth of a beat) is a move.
//    A tempo change inside the last block puts the musical position ahead of or behind
//    the grid by the frames after the change times (new / old - 1); the block after it
//    reports a new L, so (b) is not asked and (2) re-anchors.
// 2. Without a resynchronisation, a new L (a tempo change) re-anchors: from c = u when
//    playing with a musical position, else from the grid's own c = q + (p + f) / L(old),
//    the anchor becomes q = floor(c), p = (c - q) * L(new), L(new), pos, f = 0, and
//    n = StartOf(g + 1 - q) (a start before the block's first frame falls on it). Step
//    number, samples in the step, envelope, volume and glide carry on untouched.
// 3. A resynchronisation anchors at q = floor(u), p = (u - q) * L with a musical
//    position, else at q = floor(pos / L), p = pos - q * L; f = 0. The current step is
//    g = q + 1 if StartOf(1) <= 0, else g = q; its samples so far -StartOf(g - q), the
//    next start n = StartOf(g + 1 - q), the step index g mod Cycle (0 .. Cycle - 1); the
//    envelope restarts as always (level 0, unscaled gate length, volume set).
// The anchor therefore holds whatever rounding the host's musical position had when it
// was taken, and keeps it until the next anchor: steps begin within half a sample of
// their exact start plus that rounding, and steady playback never moves them.
// Per sample: when f >= n, the next step begins (g + 1, and n = StartOf(g + 1 - q) anew);
// then f counts on by one.
//
// Steps therefore last a sample more or less than the step length, or more after a tempo
// change: a gate length that reaches the step length (at a step boundary or a
// resynchronisation) holds the gate open until the next step begins.
//
// With a whole-number L and a host position that runs on without jumps or tempo
// changes, every step lasts exactly L samples, as a plain sample count would give.
#include "Corvanel.h"
#include "ExactExp.h"
#include "GateGrid.h"
#include "GateMath.h"
#include "ITextControl.h"
#include "StepWords.h"

#include <cmath>
#include <ctime>
#include <emmintrin.h>

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

// The two channels travel together as one SSE2 pair (lane 0 left, lane 1 right): every
// operation on a pair is the same IEEE double operation on each channel that scalar code
// would do, so the results are bit for bit those of a loop per channel, in half the
// instructions.
using Pair = __m128d;

inline Pair Broadcast(double x) { return _mm_set1_pd(x); }

// The host's samples of frame i as a pair, and a pair back into the host's buffers (a float
// host gets each double rounded to single precision, as a conversion after the block would).
inline Pair LoadFrame(const double* inL, const double* inR, int i) {
  return _mm_loadh_pd(_mm_load_sd(inL + i), inR + i);
}
inline Pair LoadFrame(const float* inL, const float* inR, int i) {
  return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(inL + i), _mm_load_ss(inR + i)));
}
inline void StoreFrame(Pair x, double* outL, double* outR, int i) {
  _mm_store_sd(outL + i, x);
  _mm_storeh_pd(outR + i, x);
}
inline void StoreFrame(Pair x, float* outL, float* outR, int i) {
  const __m128 f = _mm_cvtpd_ps(x);
  _mm_store_ss(outL + i, f);
  _mm_store_ss(outR + i, _mm_shuffle_ps(f, f, 1));
}

// Frames i and i + 1 of one channel as a pair, and back.
inline Pair LoadTwo(const double* in, int i) { return _mm_loadu_pd(in + i); }
inline Pair LoadTwo(const float* in, int i) {
  return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64((const __m128i*)(in + i))));
}
inline void StoreTwo(Pair x, double* out, int i) { _mm_storeu_pd(out + i, x); }
inline void StoreTwo(Pair x, float* out, int i) {
  _mm_storel_epi64((__m128i*)(out + i), _mm_castps_si128(_mm_cvtpd_ps(x)));
}

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
  Pair splitCoef;
  Pair dry, wet;
  // Moving state.
  double level, volume, volumeInc;
  Pair low; // the low band's one-pole state per channel
  int32_t glideLeft, stepPos, gateLen;
  uint16_t envState, curStep;
  GateGrid grid; // where the next step begins; its frame count moves with stepPos
};

// Start of the next step: gate length, envelope restart, volume jump or glide.
inline void EnterNextStep(GateRun& s) {
  ++s.curStep;
  if (s.curStep >= s.cycle) s.curStep = 0;
  const int32_t time = s.steps[s.curStep];
  s.gateLen = HoldToStepEnd(ScaledGateLength(time, s.stepLen, s.gateScale, s.tieLock), s.stepLen);
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
  s.grid.Advance();
}

// One output frame for gain g (envelope level times step volume).
template <int kTarget> struct GateOut;

template <> struct GateOut<kTargetVolume> {
  static inline Pair Frame(GateRun& s, double g, Pair in) {
    const Pair gain = _mm_add_pd(s.dry, _mm_mul_pd(s.wet, Broadcast(g)));
    return _mm_mul_pd(gain, in);
  }
};

// The band split: a one-pole low-pass per channel, the high band is input minus low.
// Tiny states are flushed so that denormals never enter the recursion. The flush stays a
// predicted branch, so that it adds nothing to the recursion's chain of dependent
// operations.
inline Pair SplitBands(GateRun& s, Pair in) {
  const Pair magnitude = _mm_andnot_pd(Broadcast(-0.0), s.low);
  const Pair tiny = _mm_cmplt_pd(magnitude, Broadcast(1e-24));
  if (__builtin_expect(_mm_movemask_pd(tiny) != 0, 0)) s.low = _mm_andnot_pd(tiny, s.low);
  s.low = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(s.low, in), s.splitCoef), in);
  return s.low;
}

template <> struct GateOut<kTargetLowGain> {
  static inline Pair Frame(GateRun& s, double g, Pair in) {
    const Pair low = SplitBands(s, in);
    const Pair band = _mm_add_pd(_mm_sub_pd(in, low), _mm_mul_pd(low, Broadcast(g)));
    return _mm_add_pd(_mm_mul_pd(s.dry, in), _mm_mul_pd(s.wet, band));
  }
};

template <> struct GateOut<kTargetHighGain> {
  static inline Pair Frame(GateRun& s, double g, Pair in) {
    const Pair low = SplitBands(s, in);
    const Pair band = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(in, low), Broadcast(g)), low);
    return _mm_add_pd(_mm_mul_pd(s.dry, in), _mm_mul_pd(s.wet, band));
  }
};

template <> struct GateOut<kTargetLowHigh> {
  static inline Pair Frame(GateRun& s, double g, Pair in) {
    const Pair low = SplitBands(s, in);
    const Pair band = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(in, low), Broadcast(g)),
                                 _mm_mul_pd(low, Broadcast(1.0 - g)));
    return _mm_add_pd(_mm_mul_pd(s.dry, in), _mm_mul_pd(s.wet, band));
  }
};

// The host's buffers of one block, double or float.
template <class T> struct GateIO {
  const T* inL;
  const T* inR;
  T* outL;
  T* outR;

  template <int kTarget> inline void Frame(GateRun& s, double g, int i) const {
    StoreFrame(GateOut<kTarget>::Frame(s, g, LoadFrame(inL, inR, i)), outL, outR, i);
  }
};

// One frame after the envelope moved: the volume glide's step, then the output.
template <int kTarget, class T>
inline void GlideAndOutput(GateRun& s, const GateIO<T>& io, int j) {
  if (s.glideLeft > 0) {
    s.volume += s.volumeInc;
    --s.glideLeft;
  }
  io.template Frame<kTarget>(s, s.level * s.volume, j);
}

// Frames [i, end) of the Volume target at one gain: two frames per channel at a time. Each
// pair of frames is read before any is written, so outputs may alias the inputs.
template <class T> inline void ScaleFrames(const GateIO<T>& io, Pair gain, int i, int end) {
  for (; i + 1 < end; i += 2) {
    const Pair l = LoadTwo(io.inL, i), r = LoadTwo(io.inR, i);
    StoreTwo(_mm_mul_pd(gain, l), io.outL, i);
    StoreTwo(_mm_mul_pd(gain, r), io.outR, i);
  }
  if (i < end) StoreFrame(_mm_mul_pd(gain, LoadFrame(io.inL, io.inR, i)), io.outL, io.outR, i);
}

// Frames [i, i + n) with the envelope level standing still: only the glide moves.
template <int kTarget, class T>
inline void RunSteadyLevel(GateRun& s, const GateIO<T>& io, int i, int n) {
  const int end = i + n;
  if (s.glideLeft > 0) {
    const int glideEnd = s.glideLeft < n ? i + s.glideLeft : end;
    for (; i < glideEnd; ++i) {
      s.volume += s.volumeInc;
      --s.glideLeft;
      io.template Frame<kTarget>(s, s.level * s.volume, i);
    }
  }
  const double g = s.level * s.volume;
  if (kTarget == kTargetVolume) {
    ScaleFrames(io, _mm_add_pd(s.dry, _mm_mul_pd(s.wet, Broadcast(g))), i, end);
  } else {
    for (; i < end; ++i)
      io.template Frame<kTarget>(s, g, i);
  }
}

// Frames from i on while the level rises (attack) or falls (release), at most n of them.
// Answers how many were done; stops after the frame on which the state changed.
template <int kTarget, class T>
inline int RunRamp(GateRun& s, const GateIO<T>& io, int i, int n) {
  int k = 0;
  if (s.envState == kEnvAttack) {
    while (k < n) {
      s.level += s.attackInc;
      const bool reached = s.level >= 1.0;
      if (reached) s.level = 1.0;
      GlideAndOutput<kTarget>(s, io, i + k);
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
      GlideAndOutput<kTarget>(s, io, i + k);
      ++k;
      if (closed) {
        s.envState = kEnvClosed;
        break;
      }
    }
  }
  s.stepPos += k;
  s.grid.mFrame += k;
  return k;
}

template <int kTarget, class T> void RunGate(GateRun& s, const GateIO<T>& io, int nFrames) {
  int i = 0;
  while (i < nFrames) {
    if (s.grid.mFrame >= s.grid.mNextStart) EnterNextStep(s);
    // Frames left before the next step boundary (at least 1: a step that the grid still
    // owes after a re-anchoring begins on the next frame).
    const int64_t toBoundary = s.grid.mNextStart - s.grid.mFrame;
    const int left = nFrames - i;
    const int run = toBoundary < 1 ? 1 : (toBoundary < left ? (int)toBoundary : left);
    switch (s.envState) {
    case kEnvAttack:
    case kEnvRelease:
      i += RunRamp<kTarget>(s, io, i, run);
      break;
    case kEnvHold: {
      // The hold ends on the frame whose count in the step reaches the gate length; the
      // level is still 1 on that frame and falls from the next one.
      const uint32_t pos = (uint32_t)s.stepPos;
      const uint32_t gateLen = (uint32_t)s.gateLen;
      const uint32_t held = gateLen > pos + 1 ? gateLen - pos : 1;
      const int n = held < (uint32_t)run ? (int)held : run;
      RunSteadyLevel<kTarget>(s, io, i, n);
      s.stepPos += n;
      s.grid.mFrame += n;
      if ((uint32_t)n == held) s.envState = kEnvRelease;
      i += n;
      break;
    }
    default: // closed, or not started: the level stays until the next step
      RunSteadyLevel<kTarget>(s, io, i, run);
      s.stepPos += run;
      s.grid.mFrame += run;
      i += run;
      break;
    }
  }
}

} // namespace

double CLS_CORVANEL::ExactStepLength() {
  const int32_t rate = mAppliedValues[kRate];
  if (rate != mGrid.mRate) {
    mGrid.mRate = rate;
    mGrid.mBars = RateToBars(rate);
    mGrid.mExactBars = ExactBars(rate);
  }
  if (mSamplesPerBar > 0.0) mGrid.mBarLen = mSamplesPerBar;
  double barLen = mGrid.mBarLen;
  if (!(barLen > 0.0)) {
    // No host tempo yet: the 120 BPM stand-in the step length was derived from.
    const double sampleRate = mSampleRate > 0.0 ? mSampleRate : 44100.0;
    barLen = 4.0 * (sampleRate * 60.0 / kDefaultTempo);
  }
  // The step length may keep an earlier value (a Rate change while the host gives no
  // tempo) or be held inside its range: then the grid runs on the step length itself.
  const double rounded = (double)mGrid.mBars * barLen;
  if (!(rounded >= 1.0 && rounded <= (double)kMaxStepLen && (int32_t)(rounded + 0.5) == mStepLen))
    return (double)mStepLen;
  return mGrid.mExactBars * barLen;
}

void CLS_CORVANEL::ProcessBlock(double** inputs, double** outputs, int nFrames) {
  ProcessFrames(inputs, outputs, nFrames);
}

bool CLS_CORVANEL::ProcessFloatBlock(float** inputs, float** outputs, int nFrames) {
  ProcessFrames(inputs, outputs, nFrames);
  return true;
}

template <class T> void CLS_CORVANEL::ProcessFrames(T** inputs, T** outputs, int nFrames) {
  // Everything the host says of its timeline, read once for the block.
  const IHostTime time = HostTime();
  const double samplesPerBar =
      4.0 * (time.mTempo > 0.0 ? mSampleRate * 60.0 / time.mTempo : 0.0);
  if (!mStarted) {
    mStarted = true;
    Reset();
  }
  if (samplesPerBar != mSamplesPerBar) {
    // A new tempo gives new step, attack, release and fade lengths; by itself it moves no
    // step (the grid re-anchors below), so the resynchronisation the Rate's reaction asks
    // for is not taken.
    const bool resync = mResync;
    mSamplesPerBar = samplesPerBar;
    mAppliedValues[kRate] = -1;
    ParamChanged(kRate);
    mResync = resync;
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

  const bool playing = time.mPlaying;
  if (playing && !mWasPlaying) mResync = true;
  mWasPlaying = playing;

  // A host that stopped calling for more than half a second has moved on: follow it.
  if (now - mLastClock > (uint32_t)(CLOCKS_PER_SEC / 2)) mResync = true;

  // Where the host is: its sample position, and its musical position in steps when it
  // gives one together with a tempo.
  const int32_t pos = (int32_t)(uint32_t)(uint64_t)time.mSamplePos; // wraps past 2^31 frames
  const double len = ExactStepLength();
  const bool musical = samplesPerBar > 0.0 && time.mHasBeats && std::fabs(time.mBeats) < kMaxBeats;
  const double steps = musical ? time.mBeats / (4.0 * mGrid.mExactBars) : 0.0;

  if (!mResync && mGrid.mLen > 0.0) {
    if (playing) {
      // A loop, locate or restart: the exact sample count moved, or the musical position
      // moved beyond the host's rounding while the step length stayed.
      if (mGrid.DistanceInSamples(pos) != 0)
        mResync = true;
      else if (musical && len == mGrid.mLen &&
               !(std::fabs(mGrid.DistanceInSamples(steps)) <= samplesPerBar * kMusicalToleranceBars))
        mResync = true;
    }
    if (!mResync && len != mGrid.mLen)
      mGrid.Reanchor(playing && musical ? steps : mGrid.Position(), len, pos);
  }

  const uint16_t cycle = mCycle > 0 ? mCycle : 1;
  if (mResync) {
    if (musical)
      mGrid.AnchorAtSteps(steps, len, pos);
    else
      mGrid.AnchorAtSamples(pos, len);
    mStepPos = mGrid.StartHere();
    int64_t step = mGrid.mStep % cycle;
    if (step < 0) step += cycle;
    mCurStep = (uint16_t)step;
    mEnvLevel = 0.0;
    mGateLen = HoldToStepEnd(PlainGateLength(mSteps[mCurStep], mStepLen), mStepLen);
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
    s.splitCoef = Broadcast(mSplitCoef);
    s.dry = Broadcast(mDry);
    s.wet = Broadcast(mWet);
    s.level = mEnvLevel;
    s.volume = mVolume;
    s.volumeInc = mVolumeInc;
    s.low = _mm_set_pd(mLowR, mLowL);
    s.glideLeft = mGlideLeft;
    s.stepPos = mStepPos;
    s.gateLen = mGateLen;
    s.envState = mEnvState;
    s.curStep = mCurStep;
    s.grid = mGrid;

    const GateIO<T> io = {inputs[0], inputs[1], outputs[0], outputs[1]};
    switch (mTarget) {
    case kTargetLowGain:
      RunGate<kTargetLowGain>(s, io, nFrames);
      break;
    case kTargetHighGain:
      RunGate<kTargetHighGain>(s, io, nFrames);
      break;
    case kTargetLowHigh:
      RunGate<kTargetLowHigh>(s, io, nFrames);
      break;
    default:
      RunGate<kTargetVolume>(s, io, nFrames);
      break;
    }

    mEnvLevel = s.level;
    mVolume = s.volume;
    mVolumeInc = s.volumeInc;
    // A NaN or infinite input would otherwise stay in the filter for good.
    const double lowL = _mm_cvtsd_f64(s.low), lowR = _mm_cvtsd_f64(_mm_unpackhi_pd(s.low, s.low));
    mLowL = std::isfinite(lowL) ? lowL : 0.0;
    mLowR = std::isfinite(lowR) ? lowR : 0.0;
    mGlideLeft = s.glideLeft;
    mStepPos = s.stepPos;
    mGateLen = s.gateLen;
    mEnvState = s.envState;
    mCurStep = s.curStep;
    mGrid = s.grid;
  }

  mLastClock = now;
}
