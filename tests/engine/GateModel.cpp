#include "GateModel.h"

#include "ExactExp.h"

#include <cmath>
#include <cstring>
#include <ctime>

namespace {
int32_t Round(double x) { return (int32_t)(x < 0 ? x - 0.5 : x + 0.5); }
} // namespace

GateModel::GateModel() {
  for (int e = 0; e < 128; ++e)
    mSteps[e] = e < 64 ? 2 : 4;
  std::memset(mApplied, 0x9B, sizeof(mApplied));
  for (int32_t& p : mParams)
    p = 0;
}

float GateModel::RateToBars(int rate) {
  double x = rate;
  double scale = 1.0;
  if (rate % 3 == 1) {
    x = rate + 2;
    scale = 0.6666666666666666;
  } else if (rate % 3 == 2) {
    x = rate - 2;
    scale = 1.5;
  }
  double bars = (double)0.0078125f * ExactExp2(x * 0.3333333333333333);
  if (scale != 1.0) bars = bars * scale;
  return (float)bars;
}

void GateModel::Apply(int idx, int v) {
  mParams[idx] = v;
  if (mApplied[idx] == v) return;
  mApplied[idx] = v;
  ApplyForced(idx);
}

void GateModel::ApplyForced(int idx) {
  int v = mParams[idx];
  mApplied[idx] = v;
  bool rates = false, attack = false, release = false, fade = false;
  switch (idx) {
  case 0: {
    double spb = mSamplesPerBar;
    if (spb <= 0 && !mTempoSeen)
      spb = 4.0 * (mSampleRate * 60.0 / 120.0);
    else if (spb > 0)
      mTempoSeen = true;
    if (spb > 0) {
      mStepLen = (int32_t)((double)RateToBars(v) * spb + 0.5);
      if (mStepLen < 1) mStepLen = 1;
      mResync = true;
    }
    rates = true;
    break;
  }
  case 1:
    mResync = true;
    mCycle = v;
    break;
  case 2:
    mAttack = v;
    attack = true;
    break;
  case 3:
    mGateScale = v * 0.01f;
    break;
  case 4:
    mTieLock = v > 0;
    break;
  case 5:
    mRelease = v;
    release = true;
    break;
  case 6:
    mFade = v;
    fade = true;
    break;
  case 7:
    mSplitCoef = mLastSampleRate > 0 ? ExactExp(-6.283185307179586 * v / mLastSampleRate) : 0.0;
    break;
  case 8:
    mTarget = v;
    break;
  case 9:
    mWet = v * 0.01f;
    mDry = 1 - mWet;
    break;
  default: {
    int w = idx - 10;
    int n = w < 12 ? 10 : 8;
    for (int j = n - 1; j >= 0; --j) {
      mSteps[10 * w + j] = (uint16_t)(v % 5);
      v = (int)floorf(v * 0.2f);
    }
    break;
  }
  }
  const float L = (float)mStepLen;
  const float m = L * 0.0090909088f;
  if (rates || attack) mAttackInc = 1.0f / (m + (mAttack * ((float)(2 * mStepLen) - m)) / 200);
  if (rates || release) mReleaseInc = 1.0f / (m + (mRelease * ((float)(2 * mStepLen) - m)) / 200);
  if (rates || fade) mFadeLen = Round((double)(m + (mFade * (L - m)) / 100));
}

void GateModel::Reset(double sampleRate) {
  mSampleRate = sampleRate;
  if (!mStarted) return;
  if (mSampleRate != mLastSampleRate) {
    mLastSampleRate = mSampleRate;
    ApplyForced(7);
    if (!mTempoSeen) ApplyForced(0);
  }
  mResync = true;
}

int64_t GateModel::Start(int64_t m) const {
  return (int64_t)std::floor((double)m * mGridLen - mAnchorPhase + 0.5);
}

void GateModel::Block(const double* inL, const double* inR, double* outL, double* outR, int n,
                      double sampleRate, double tempo, int32_t position, bool playing,
                      uint32_t clock, const double* beats) {
  mSampleRate = sampleRate;
  const double spb = 4.0 * (tempo > 0 ? sampleRate * 60.0 / tempo : 0.0);
  if (!mStarted) {
    mStarted = true;
    Reset(sampleRate);
  }
  if (spb != mSamplesPerBar) {
    // A new tempo: new lengths, no resynchronisation of its own.
    const bool resync = mResync;
    mSamplesPerBar = spb;
    ApplyForced(0);
    mResync = resync;
  }
  if (playing && !mWasPlaying) mResync = true;
  mWasPlaying = playing;
  if (clock - mLastClock > (uint32_t)(CLOCKS_PER_SEC / 2)) mResync = true;

  // Exact step length: bars times the samples per bar of the host's tempo (the last one,
  // or 120 BPM before any); the step length itself when that does not round to it.
  const int rate = mParams[0];
  const double exact = std::ldexp(rate % 3 == 0   ? 1.0
                                  : rate % 3 == 1 ? 4.0 / 3.0
                                                  : 1.5,
                                  rate / 3 - 7);
  if (mSamplesPerBar > 0) mLastBarLen = mSamplesPerBar;
  const double barLen = mLastBarLen > 0 ? mLastBarLen : 4.0 * (sampleRate * 60.0 / 120.0);
  const double rounded = (double)RateToBars(rate) * barLen;
  double L = exact * barLen;
  if (!(rounded >= 1.0 && rounded <= 268435456.0 && (int32_t)(rounded + 0.5) == mStepLen))
    L = mStepLen;
  // The host's position in steps, when it gives beats and a tempo.
  const bool musical = beats && spb > 0 && std::fabs(*beats) < 1099511627776.0;
  const double u = musical ? *beats / (4.0 * exact) : 0.0;

  if (!mResync && mGridLen > 0) {
    if (playing) {
      if ((int32_t)((uint32_t)position - (uint32_t)mAnchorPos - (uint32_t)mFrame) != 0) {
        mResync = true;
      } else if (musical && L == mGridLen) {
        const double d = (u - (double)mAnchorStep) * mGridLen - mAnchorPhase - (double)mFrame;
        if (!(std::fabs(d) <= mSamplesPerBar / 64.0)) mResync = true;
      }
    }
    if (!mResync && L != mGridLen) {
      const double c =
          playing && musical ? u : (double)mAnchorStep + (mAnchorPhase + (double)mFrame) / mGridLen;
      const double q = std::floor(c);
      mAnchorStep = (int64_t)q;
      mAnchorPhase = (c - q) * L;
      mGridLen = L;
      mAnchorPos = position;
      mFrame = 0;
      mNextStart = Start(mGridStep + 1 - mAnchorStep);
    }
  }

  if (mResync) {
    double q, p;
    if (musical) {
      q = std::floor(u);
      p = (u - q) * L;
    } else {
      q = std::floor((double)position / L);
      p = (double)position - q * L;
    }
    mAnchorStep = (int64_t)q;
    mAnchorPhase = p;
    mGridLen = L;
    mAnchorPos = position;
    mFrame = 0;
    mGridStep = Start(1) <= 0 ? mAnchorStep + 1 : mAnchorStep;
    mStepPos = (int32_t)-Start(mGridStep - mAnchorStep);
    mNextStart = Start(mGridStep + 1 - mAnchorStep);
    mCurStep = (int32_t)(((mGridStep % mCycle) + mCycle) % mCycle);
    mEnvLevel = 0;
    mGateLen = (int32_t)((double)((float)(mSteps[mCurStep] * mStepLen) * 0.25f) + 0.5);
    if (mGateLen >= mStepLen) mGateLen = 0x7FFFFFFF; // open to the end of the step
    mEnvState = mGateLen != 0 ? 1 : 3;
    mVolume = (double)(mSteps[mCurStep + 64] * 0.25f);
    mGlideLeft = 0;
    mResync = false;
  }

  for (int i = 0; i < n; ++i) {
    if (mFrame >= mNextStart) {
      mGridStep += 1;
      mNextStart = Start(mGridStep + 1 - mAnchorStep);
      mCurStep += 1;
      if (mCurStep >= mCycle) mCurStep = 0;
      const int t = mSteps[mCurStep];
      if (mTieLock && t == 4) {
        mGateLen = (int32_t)((double)((float)(4 * mStepLen) * 0.25f) + 0.5);
      } else {
        const float g = (float)(t * mStepLen) * mGateScale * 0.25f;
        mGateLen = Round(g);
      }
      if (mGateLen >= mStepLen) mGateLen = 0x7FFFFFFF;
      mEnvState = mGateLen != 0 ? 1 : 3;
      const double v = (double)(mSteps[mCurStep + 64] * 0.25f);
      if (mEnvLevel <= 0 || mFadeLen == 0) {
        mVolume = v;
        mGlideLeft = 0;
      } else {
        mGlideLeft = mFadeLen;
        mVolumeInc = (v - mVolume) / mFadeLen;
        if (mVolumeInc == 0) mGlideLeft = 0;
      }
      mStepPos = 0;
    }
    mStepPos += 1;
    mFrame += 1;
    switch (mEnvState) {
    case 1:
      mEnvLevel += mAttackInc;
      if (mEnvLevel >= 1) {
        mEnvLevel = 1;
        mEnvState = 2;
      }
      break;
    case 2:
      if ((uint32_t)mStepPos >= (uint32_t)mGateLen) mEnvState = 3;
      break;
    case 3:
      mEnvLevel -= mReleaseInc;
      if (!(mEnvLevel > 0)) {
        mEnvLevel = 0;
        mEnvState = 4;
      }
      break;
    default:
      break;
    }
    if (mGlideLeft > 0) {
      mVolume += mVolumeInc;
      mGlideLeft -= 1;
    }
    const double g = mEnvLevel * mVolume;
    const double l = inL[i], r = inR[i];
    if (mTarget == 0) {
      outL[i] = (mDry + mWet * g) * l;
      outR[i] = (mDry + mWet * g) * r;
      continue;
    }
    if (fabs(mLowL) < 1e-24) mLowL = 0;
    if (fabs(mLowR) < 1e-24) mLowR = 0;
    const double lowL = (mLowL - l) * mSplitCoef + l;
    const double lowR = (mLowR - r) * mSplitCoef + r;
    mLowL = lowL;
    mLowR = lowR;
    if (mTarget == 1) {
      outL[i] = mDry * l + mWet * ((l - lowL) + lowL * g);
      outR[i] = mDry * r + mWet * ((r - lowR) + lowR * g);
    } else if (mTarget == 2) {
      outL[i] = mDry * l + mWet * ((l - lowL) * g + lowL);
      outR[i] = mDry * r + mWet * ((r - lowR) * g + lowR);
    } else {
      outL[i] = mDry * l + mWet * ((l - lowL) * g + lowL * (1 - g));
      outR[i] = mDry * r + mWet * ((r - lowR) * g + lowR * (1 - g));
    }
  }
  mLastClock = clock;
}
