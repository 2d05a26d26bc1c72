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

void GateModel::Block(const double* inL, const double* inR, double* outL, double* outR, int n,
                      double sampleRate, double tempo, int32_t position, bool playing,
                      uint32_t clock) {
  mSampleRate = sampleRate;
  const double spb = 4.0 * (tempo > 0 ? sampleRate * 60.0 / tempo : 0.0);
  if (!mStarted) {
    mStarted = true;
    Reset(sampleRate);
  }
  if (spb != mSamplesPerBar) {
    mSamplesPerBar = spb;
    ApplyForced(0);
    mResync = true;
  }
  if (playing && !mWasPlaying) mResync = true;
  mWasPlaying = playing;
  if (clock - mLastClock > (uint32_t)(CLOCKS_PER_SEC / 2)) mResync = true;

  if (mResync) {
    const int64_t k = (int64_t)std::floor((double)position / mStepLen);
    mStepPos = (int32_t)(position - k * mStepLen);
    mCurStep = (int32_t)(((k % mCycle) + mCycle) % mCycle);
    mEnvLevel = 0;
    mGateLen = (int32_t)((double)((float)(mSteps[mCurStep] * mStepLen) * 0.25f) + 0.5);
    mEnvState = mGateLen != 0 ? 1 : 3;
    mVolume = (double)(mSteps[mCurStep + 64] * 0.25f);
    mGlideLeft = 0;
    mResync = false;
  }

  for (int i = 0; i < n; ++i) {
    if ((uint32_t)mStepPos >= (uint32_t)mStepLen) {
      mCurStep += 1;
      if (mCurStep >= mCycle) mCurStep = 0;
      const int t = mSteps[mCurStep];
      if (mTieLock && t == 4) {
        mGateLen = (int32_t)((double)((float)(4 * mStepLen) * 0.25f) + 0.5);
      } else {
        const float g = (float)(t * mStepLen) * mGateScale * 0.25f;
        mGateLen = Round(g);
      }
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
