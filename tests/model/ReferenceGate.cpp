#include "ReferenceGate.h"

// The exponentials rounded correctly: the value exp and exp2 stand for, which C
// libraries miss by an ulp now and then (each differently).
#include "ExactExp.h"

#include <cmath>

namespace {

// Range, default and curve of each parameter: Rate, Cycle, Attack, Gate, Tie Lock,
// Release, Fade, Split Freq, Target, Mix, the thirteen step words, then the three
// editor signals.
struct ParamDef {
  int mMin, mMax, mDefault;
  double mShape;
};

constexpr int kWordMax = 9765624;    // 5^10 - 1
constexpr int kLastWordMax = 390624; // 5^8 - 1

const ParamDef kParamDefs[ReferenceGate::kNumParams] = {{0, 27, 9, 1.0},
                                                        {1, 64, 16, 1.0},
                                                        {0, 200, 5, 2.0},
                                                        {0, 100, 100, 1.0},
                                                        {0, 1, 1, 1.0},
                                                        {0, 200, 30, 2.0},
                                                        {0, 100, 5, 2.0},
                                                        {20, 20000, 1000, 2.0},
                                                        {0, 3, 0, 1.0},
                                                        {0, 100, 80, 1.0},
                                                        {0, kWordMax, 4882812, 1.0},
                                                        {0, kWordMax, 4882812, 1.0},
                                                        {0, kWordMax, 4882812, 1.0},
                                                        {0, kWordMax, 4882812, 1.0},
                                                        {0, kWordMax, 4882812, 1.0},
                                                        {0, kWordMax, 4882812, 1.0},
                                                        {0, kWordMax, 4890624, 1.0},
                                                        {0, kWordMax, kWordMax, 1.0},
                                                        {0, kWordMax, kWordMax, 1.0},
                                                        {0, kWordMax, kWordMax, 1.0},
                                                        {0, kWordMax, kWordMax, 1.0},
                                                        {0, kWordMax, kWordMax, 1.0},
                                                        {0, kLastWordMax, kLastWordMax, 1.0},
                                                        {0, 1, 0, 1.0},
                                                        {-5, 5, 0, 1.0},
                                                        {-5, 5, 0, 1.0}};

// The step grid at a resynchronisation takes the step number from the host's position
// exactly, in double precision: a single-precision quotient would, past 2^24 samples,
// put the pattern one step off the song near boundaries.

// The gate length of a step whose gate never closes before the next step.
constexpr int32_t kToTheStepEnd = 2147483647;

// What the change filter holds before anything was applied: the bytes 0x9B.
constexpr int kNeverApplied = -1684300901;

// Entries held by step word w: 10w .. 10w + 9, and 120 .. 127 for the last one.
int WordFirstEntry(int w) { return 10 * w; }
int WordEntryCount(int w) { return w == 12 ? 8 : 10; }

// A single-precision length rounded to whole samples, halves away from zero, the
// addition done after widening.
int32_t RoundLength(float length) {
  const double wide = length;
  return (int32_t)(wide >= 0.0 ? wide + 0.5 : wide - 0.5);
}

} // namespace

ReferenceGate::ReferenceGate() {
  for (int i = 0; i < kNumParams; ++i) {
    mValues[i] = kParamDefs[i].mDefault;
    mApplied[i] = kNeverApplied;
  }
  for (bool& marked : mMarked)
    marked = false;
  for (int e = 0; e < kNumEntries; ++e)
    mSteps[e] = e < 64 ? 2 : 4;
}

int ReferenceGate::Min(int paramIdx) { return kParamDefs[paramIdx].mMin; }
int ReferenceGate::Max(int paramIdx) { return kParamDefs[paramIdx].mMax; }
int ReferenceGate::Default(int paramIdx) { return kParamDefs[paramIdx].mDefault; }
double ReferenceGate::Shape(int paramIdx) { return kParamDefs[paramIdx].mShape; }

float ReferenceGate::RateToBars(int rateIndex) {
  // Plain values double per three indices; the triplet of the next longer plain value
  // is two thirds of it, the dotted plain value one and a half times.
  const double third = 0.3333333333333333;
  const double base = (double)0.0078125f;
  const int kind = rateIndex % 3;
  double bars;
  if (kind == 0) {
    bars = base * ExactExp2((double)rateIndex * third);
  } else if (kind == 1) {
    bars = base * ExactExp2((double)(rateIndex + 2) * third);
    bars = bars * 0.6666666666666666;
  } else {
    bars = base * ExactExp2((double)(rateIndex - 2) * third);
    bars = bars * 1.5;
  }
  return (float)bars;
}

void ReferenceGate::SetParam(int paramIdx, int value) {
  if (paramIdx < 0 || paramIdx >= kNumParams) return;
  if (value < Min(paramIdx)) value = Min(paramIdx);
  if (value > Max(paramIdx)) value = Max(paramIdx);
  mValues[paramIdx] = value;
  ParamChanged(paramIdx);
}

void ReferenceGate::ApplyAll() {
  for (int i = 0; i < kNumParams; ++i)
    ParamChanged(i);
}

void ReferenceGate::Reset() {
  if (!mStarted) return;
  if (mSampleRate != mLastSampleRate) {
    mLastSampleRate = mSampleRate;
    mApplied[kSplitFreq] = -1;
    ParamChanged(kSplitFreq);
  }
  mResync = true;
}

// ---- Parameter reactions ------------------------------------------------------------------------

void ReferenceGate::ParamChanged(int paramIdx) {
  if (paramIdx < 0 || paramIdx >= kNumParams) return;
  const int v = mValues[paramIdx];
  if (v == mApplied[paramIdx]) return;
  mApplied[paramIdx] = v;

  switch (paramIdx) {
  case kRate:
    if (mSamplesPerBar > 0.0) {
      ComputeStepLen();
      mResync = true;
    }
    ComputeAttack();
    ComputeRelease();
    ComputeFade();
    break;
  case kCycle:
    mResync = true;
    mCycle = v;
    break;
  case kAttack:
    mAttackPct = v;
    ComputeAttack();
    break;
  case kGate:
    mGateScale = (float)v * 0.01f;
    break;
  case kTieLock:
    mTieLock = v > 0;
    break;
  case kRelease:
    mReleasePct = v;
    ComputeRelease();
    break;
  case kFade:
    mFadePct = v;
    ComputeFade();
    break;
  case kSplitFreq:
    ComputeSplit();
    break;
  case kTarget:
    mTarget = v;
    break;
  case kMix:
    mWet = (float)v * 0.01f;
    mDry = 1.0f - mWet;
    break;
  case kStepEdited:
    if (v >= 1) {
      // The reaction hands the parameter back to 0, which only records 0.
      mValues[kStepEdited] = 0;
      mApplied[kStepEdited] = 0;
      mPackPending = true;
    }
    break;
  case kShiftTime:
    if (v != 0) {
      Shift(0, v);
      mPackPending = true;
    }
    break;
  case kShiftVolume:
    if (v != 0) {
      Shift(64, v);
      mPackPending = true;
    }
    break;
  default:
    Unpack(paramIdx - kStepWord0, v);
    break;
  }

  if (!mReady && paramIdx < kNumDeclared) {
    mMarked[paramIdx] = true;
    bool all = true;
    for (bool marked : mMarked)
      all = all && marked;
    mReady = all;
  }
}

void ReferenceGate::ComputeStepLen() {
  mStepLen = (int32_t)((double)RateToBars(mValues[kRate]) * mSamplesPerBar + 0.5);
}

void ReferenceGate::ComputeAttack() {
  const float len = (float)mStepLen;
  const float m = len * 0.0090909088f;
  const float a = m + ((float)mAttackPct * ((float)(2 * mStepLen) - m)) / 200.0f;
  mAttackInc = (double)(1.0f / a);
}

void ReferenceGate::ComputeRelease() {
  const float len = (float)mStepLen;
  const float m = len * 0.0090909088f;
  const float r = m + ((float)mReleasePct * ((float)(2 * mStepLen) - m)) / 200.0f;
  mReleaseInc = (double)(1.0f / r);
}

void ReferenceGate::ComputeFade() {
  const float len = (float)mStepLen;
  const float m = len * 0.0090909088f;
  const float f = m + ((float)mFadePct * (len - m)) / 100.0f;
  mFadeLen = RoundLength(f);
}

void ReferenceGate::ComputeSplit() {
  if (mLastSampleRate == 0.0) {
    mSplitCoef = 0.0;
    return;
  }
  mSplitCoef = ExactExp(-6.283185307179586 * (double)mValues[kSplitFreq] / mLastSampleRate);
}

void ReferenceGate::Unpack(int word, int value) {
  // The word's first entry is its most significant base-5 digit.
  const int first = WordFirstEntry(word);
  for (int j = WordEntryCount(word) - 1; j >= 0; --j) {
    mSteps[first + j] = (uint16_t)(value % 5);
    value /= 5;
  }
}

void ReferenceGate::Shift(int firstEntry, int value) {
  // Each step of the current cycle moves one quarter up or down, within 0..4,
  // whatever the magnitude of the value.
  const int delta = value > 0 ? 1 : -1;
  for (int e = firstEntry; e < firstEntry + mCycle; ++e) {
    int s = mSteps[e] + delta;
    if (s < 0) s = 0;
    if (s > 4) s = 4;
    mSteps[e] = (uint16_t)s;
  }
}

void ReferenceGate::PublishStepWords() {
  for (int w = 0; w < 13; ++w) {
    int word = 0;
    const int first = WordFirstEntry(w);
    for (int j = 0; j < WordEntryCount(w); ++j)
      word = word * 5 + mSteps[first + j];
    const int idx = kStepWord0 + w;
    mValues[idx] = word < Min(idx) ? Min(idx) : (word > Max(idx) ? Max(idx) : word);
    // The published word counts as applied: the same word from the host changes nothing.
    mApplied[idx] = mValues[idx];
  }
}

// ---- Processing ---------------------------------------------------------------------------------

void ReferenceGate::Process(const double* inL, const double* inR, double* outL, double* outR,
                            int frames, double tempo, int32_t position, bool playing, bool hasBeats,
                            double beats) {
  if (!mReady) return;

  double samplesPerBar = tempo > 0.0 ? 4.0 * (mSampleRate * 60.0 / tempo) : 0.0;
  if (tempo > 0.0) mTempoSeen = true;
  // Until a host has ever reported a tempo the grid runs at 120 BPM.
  if (!mTempoSeen) samplesPerBar = 4.0 * (mSampleRate * 60.0 / 120.0);

  if (!mStarted) {
    mStarted = true;
    Reset();
  }
  if (samplesPerBar != mSamplesPerBar) {
    // New step, attack, release and fade lengths; a new tempo alone asks for no
    // resynchronisation.
    const bool asked = mResync;
    mSamplesPerBar = samplesPerBar;
    mApplied[kRate] = -1;
    ParamChanged(kRate);
    mResync = asked;
  }
  if (playing && !mWasPlaying) mResync = true;
  mWasPlaying = playing;

  // What the block start knows: the step in bars and beats, its exact length in samples
  // (from the host tempo's samples per bar, the last one, or 120 BPM's), and the host's
  // musical position in steps when it gives beats along with a tempo.
  // The exact bars: a power of two over 128, times 4/3 for a triplet, 3/2 dotted.
  const int rate = mValues[kRate];
  const double kinds[3] = {1.0, 4.0 / 3.0, 1.5};
  const double exactBars = (double)(1 << (rate / 3)) / 128.0 * kinds[rate % 3];
  const double beatsPerStep = 4.0 * exactBars;
  if (tempo > 0.0) mLastBarLen = 4.0 * (mSampleRate * 60.0 / tempo);
  const double barLen = mLastBarLen > 0.0 ? mLastBarLen : 4.0 * (mSampleRate * 60.0 / 120.0);
  const double rounded = (double)RateToBars(rate) * barLen;
  const bool fits =
      rounded >= 1.0 && rounded <= 268435456.0 && (int32_t)(rounded + 0.5) == mStepLen;
  const double len = fits ? exactBars * barLen : (double)mStepLen;
  const bool musical = hasBeats && tempo > 0.0 && std::fabs(beats) < 1099511627776.0;
  const double u = musical ? beats / beatsPerStep : 0.0;

  // 1. While playing, a host whose sample count is not where the grid's frames put it has
  // moved; so has one whose musical position is more than a sixteenth of a beat from the
  // grid while the exact length is the anchor's.
  if (playing && !mResync && mLen > 0.0) {
    const uint32_t expected = (uint32_t)mAnchorPos + (uint32_t)(uint64_t)mF;
    if ((uint32_t)position != expected) {
      mResync = true;
    } else if (musical && len == mLen) {
      const double d = (u - (double)mQ) * mLen - mP - (double)mF;
      if (!(std::fabs(d) <= samplesPerBar / 64.0)) mResync = true;
    }
  }
  // 2. A new exact length without a resynchronisation: re-anchor, nothing restarts.
  if (!mResync && mLen > 0.0 && len != mLen) {
    const double c = (playing && musical) ? u : (double)mQ + (mP + (double)mF) / mLen;
    const double q = std::floor(c);
    mQ = (int64_t)q;
    mP = (c - q) * len;
    mLen = len;
    mAnchorPos = position;
    mF = 0;
    mN = StartOf(mG + 1 - mQ);
  }
  // 3. Resynchronisation.
  if (mResync) Resync(position, musical, u, len);

  if (mPackPending) {
    PublishStepWords();
    mPackPending = false;
  }
  for (int i = 0; i < frames; ++i)
    RunSample(inL[i], inR[i], outL[i], outR[i]);
}

int64_t ReferenceGate::StartOf(int64_t m) const {
  return (int64_t)std::floor((double)m * mLen - mP + 0.5);
}

void ReferenceGate::Resync(int32_t position, bool musical, double u, double len) {
  double q, p;
  if (musical) {
    q = std::floor(u);
    p = (u - q) * len;
  } else {
    q = std::floor((double)position / len);
    p = (double)position - q * len;
  }
  mQ = (int64_t)q;
  mP = p;
  mLen = len;
  mAnchorPos = position;
  mF = 0;
  mG = StartOf(1) <= 0 ? mQ + 1 : mQ;
  mStepPos = (int32_t)(-StartOf(mG - mQ));
  mN = StartOf(mG + 1 - mQ);
  mCurStep = (int)(((mG % mCycle) + mCycle) % mCycle);
  mEnvLevel = 0.0;
  const int t = mSteps[mCurStep];
  mGateLen = (int32_t)((double)((float)(t * mStepLen) * 0.25f) + 0.5);
  if (mGateLen >= mStepLen) mGateLen = kToTheStepEnd;
  mEnvState = mGateLen != 0 ? kEnvAttack : kEnvRelease;
  mVolume = (double)((float)mSteps[mCurStep + 64] * 0.25f);
  mGlideLeft = 0;
  mResync = false;
  ++mResyncCount;
}

void ReferenceGate::EnterNextStep() {
  mG += 1;
  mN = StartOf(mG + 1 - mQ);
  mCurStep += 1;
  if (mCurStep >= mCycle) mCurStep = 0;

  const int t = mSteps[mCurStep];
  if (mTieLock && t == 4) {
    mGateLen = (int32_t)((double)((float)(4 * mStepLen) * 0.25f) + 0.5);
  } else {
    const float g = (float)(t * mStepLen) * mGateScale * 0.25f;
    mGateLen = RoundLength(g);
  }
  // A gate as long as the step stays open until the next step begins, however long the
  // grid makes this one.
  if (mGateLen >= mStepLen) mGateLen = kToTheStepEnd;
  mEnvState = mGateLen != 0 ? kEnvAttack : kEnvRelease;

  const double v = (double)((float)mSteps[mCurStep + 64] * 0.25f);
  if (mEnvLevel <= 0.0 || mFadeLen == 0) {
    mVolume = v;
    mGlideLeft = 0;
  } else {
    mGlideLeft = mFadeLen;
    mVolumeInc = (v - mVolume) / (double)mFadeLen;
    if (mVolumeInc == 0.0) mGlideLeft = 0;
  }
  mStepPos = 0;
}

void ReferenceGate::RunSample(double inL, double inR, double& outL, double& outR) {
  if (mF >= mN) EnterNextStep();
  mStepPos += 1;
  mF += 1;

  switch (mEnvState) {
  case kEnvAttack:
    mEnvLevel += mAttackInc;
    if (mEnvLevel >= 1.0) {
      mEnvLevel = 1.0;
      mEnvState = kEnvHold;
    }
    break;
  case kEnvHold:
    if ((uint32_t)mStepPos >= (uint32_t)mGateLen) mEnvState = kEnvRelease;
    break;
  case kEnvRelease:
    mEnvLevel -= mReleaseInc;
    if (!(mEnvLevel > 0.0)) {
      mEnvLevel = 0.0;
      mEnvState = kEnvClosed;
    }
    break;
  default: // closed, or not yet synchronised
    break;
  }

  if (mGlideLeft > 0) {
    mVolume += mVolumeInc;
    mGlideLeft -= 1;
  }

  const double g = mEnvLevel * mVolume;
  const double wet = mWet;
  const double dry = mDry;
  if (mTarget == kTargetVolume) {
    const double gain = dry + wet * g;
    outL = gain * inL;
    outR = gain * inR;
    return;
  }

  if (std::fabs(mLowL) < 1e-24) mLowL = 0.0;
  if (std::fabs(mLowR) < 1e-24) mLowR = 0.0;
  const double lowL = (mLowL - inL) * mSplitCoef + inL;
  const double lowR = (mLowR - inR) * mSplitCoef + inR;
  mLowL = lowL;
  mLowR = lowR;
  const double highL = inL - lowL;
  const double highR = inR - lowR;

  switch (mTarget) {
  case kTargetLowGain:
    outL = dry * inL + wet * (highL + lowL * g);
    outR = dry * inR + wet * (highR + lowR * g);
    break;
  case kTargetHighGain:
    outL = dry * inL + wet * (highL * g + lowL);
    outR = dry * inR + wet * (highR * g + lowR);
    break;
  default: // low - high
    outL = dry * inL + wet * (highL * g + lowL * (1.0 - g));
    outR = dry * inR + wet * (highR * g + lowR * (1.0 - g));
    break;
  }
}
