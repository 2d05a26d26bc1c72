#pragma once
// The plug-in on the test host, with its engine fields open to the tests, and a few
// helpers to drive blocks the way a host does.
#include "Corvanel.h"
#include "StepWords.h"

#include <vector>

class TestCorvanel : public CLS_CORVANEL {
public:
  TestCorvanel() : CLS_CORVANEL(IPlugInstanceInfo{}) {}

  using CLS_CORVANEL::mAppliedValues;
  using CLS_CORVANEL::mAttackInc;
  using CLS_CORVANEL::mCurStep;
  using CLS_CORVANEL::mCycle;
  using CLS_CORVANEL::mDry;
  using CLS_CORVANEL::mEditedStep;
  using CLS_CORVANEL::mEditedValue;
  using CLS_CORVANEL::mEnvLevel;
  using CLS_CORVANEL::mEnvState;
  using CLS_CORVANEL::mFadeLen;
  using CLS_CORVANEL::mGateLen;
  using CLS_CORVANEL::mGrid;
  using CLS_CORVANEL::mLowL;
  using CLS_CORVANEL::mLowR;
  using CLS_CORVANEL::mPackPending;
  using CLS_CORVANEL::mReleaseInc;
  using CLS_CORVANEL::mResync;
  using CLS_CORVANEL::mSplitCoef;
  using CLS_CORVANEL::mStatusClearAt;
  using CLS_CORVANEL::mStepLen;
  using CLS_CORVANEL::mStepPos;
  using CLS_CORVANEL::mSteps;
  using CLS_CORVANEL::mVolume;
  using CLS_CORVANEL::mWet;

  // A host sets a parameter to a real value and the plug-in reacts.
  void Set(int idx, double value) {
    GetParam(idx)->SetClamped(value);
    ParamChanged(idx);
  }
  double Value(int idx) const { return GetParam(idx)->Value(); }

  // One block of double samples through the base's plumbing; the host position (and
  // its musical position, at the host's tempo) moves on by the block while the
  // transport runs.
  void Run(const double* inL, const double* inR, double* outL, double* outR, int n) {
    double* in[2] = {const_cast<double*>(inL), const_cast<double*>(inR)};
    double* out[2] = {outL, outR};
    ProcessDouble(in, out, n);
    MoveTransport(n);
  }
  // The same block straight on float buffers, as a float host's block reaches the engine.
  void RunFloat(const float* inL, const float* inR, float* outL, float* outR, int n) {
    float* in[2] = {const_cast<float*>(inL), const_cast<float*>(inR)};
    float* out[2] = {outL, outR};
    UseTestTime();
    ProcessFloatBlock(in, out, n);
    MoveTransport(n);
  }
  void MoveTransport(int n) {
    if (mTestTransport) {
      mTestPosition += n;
      if (mTestTempo > 0.0) mTestBeats += (double)n * mTestTempo / (60.0 * GetSampleRate());
    }
  }
  // n frames of a constant input in blocks of at most `block` frames (one empty block
  // when n is 0); returns the left output.
  std::vector<double> RunConstant(double x, int n, int block = 512) {
    std::vector<double> inL(n, x), inR(n, x), outL(n), outR(n);
    int i = 0;
    do { // a block of 0 frames still runs the block start
      const int k = n - i < block ? n - i : block;
      Run(inL.data() + i, inR.data() + i, outL.data() + i, outR.data() + i, k);
      i += k;
    } while (i < n);
    return outL;
  }
  // Applies the pattern of step times and volumes the way a host restores it.
  void SetPattern(const uint16_t* steps) {
    for (int w = 0; w < kNumStepWords; ++w)
      Set(kStepWord0 + w, PackStepWord(steps, w));
  }
};

// A freshly opened instance at 44.1 kHz (or the given rate), 120 BPM, transport playing
// from position 0.
inline void OpenDefault(TestCorvanel& p, int blockSize = 4096, double sampleRate = 44100.0) {
  p.mTestTempo = 120.0;
  p.mTestPosition = 0;
  p.mTestBeats = 0.0;
  p.mTestTransport = 1;
  p.mTestClock = 1000;
  p.OpenLikeHost(sampleRate, blockSize);
}
