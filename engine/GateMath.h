#pragma once
// The gate's derived values. Each is computed in the precision written here (single
// precision where the operands are float) and in this order of operations: the audio
// output is compared bit for bit with an independent model, so none of them may be
// rearranged.
#include "ExactExp.h"

#include <cmath>
#include <cstdint>

namespace gate {

// The step grid needs a positive step length; four times it must fit an int32.
constexpr int32_t kMaxStepLen = 1 << 28;
// Until a host reports a tempo the gate runs at 120 BPM (as the Audio Unit side does).
constexpr double kDefaultTempo = 120.0;

// The step's length in bars in double precision, for placing the steps: 2^(q - 7) times
// 1, 4/3 or 3/2 for q = rateIndex / 3 and rateIndex mod 3 = 0 (plain), 1 (triplet) or 2
// (dotted). RateToBars() rounds the same length to single precision, which is 3e-8 off
// for the triplets: enough to move a grid by almost two samples in ten minutes at 96 kHz.
inline double ExactBars(int rateIndex) {
  if (rateIndex < 0) rateIndex = 0;
  if (rateIndex > 27) rateIndex = 27;
  const int kind = rateIndex % 3;
  const double factor = kind == 0 ? 1.0 : (kind == 1 ? 4.0 / 3.0 : 1.5);
  return std::ldexp(factor, rateIndex / 3 - 7);
}

// Rounds half away from zero and truncates.
inline int32_t RoundHalfAway(double x) { return (int32_t)(x < 0.0 ? x - 0.5 : x + 0.5); }

// Step length in samples: the step's length in bars times the samples per bar, rounded.
// Absurd tempi are held inside 1 .. kMaxStepLen instead of overflowing.
inline int32_t StepLength(float bars, double samplesPerBar) {
  const double x = (double)bars * samplesPerBar + 0.5;
  if (!(x >= 1.0)) return 1;
  if (x > (double)kMaxStepLen) return kMaxStepLen;
  return (int32_t)x;
}

// The shortest attack, release and glide: the step length over 110.
inline float MinDuration(int32_t stepLen) { return (float)stepLen * 0.0090909088f; }

// Attack and release: from L/110 (0 %) to about two steps (200 %), as a rate per sample.
inline double RampInc(int32_t stepLen, int32_t pct) {
  const float m = MinDuration(stepLen);
  const float len = m + ((float)pct * ((float)(2 * stepLen) - m)) / 200.0f;
  return (double)(1.0f / len);
}

// Volume glide: from L/110 (0 %) to one whole step (100 %), in samples.
inline int32_t FadeLength(int32_t stepLen, int32_t pct) {
  const float m = MinDuration(stepLen);
  const float f = m + ((float)pct * ((float)stepLen - m)) / 100.0f;
  return RoundHalfAway((double)f);
}

// One-pole low-pass coefficient of the band split; 0 (low band = input) without a rate.
// The exponential is rounded correctly, so that every build computes the same filter.
inline double SplitCoef(int32_t freq, double sampleRate) {
  if (!(sampleRate > 0.0)) return 0.0;
  return ExactExp(-6.283185307179586 * (double)freq / sampleRate);
}

// Gate length of the first step after a resynchronisation: the unscaled time value.
inline int32_t PlainGateLength(int32_t time, int32_t stepLen) {
  return (int32_t)((double)((float)(time * stepLen) * 0.25f) + 0.5);
}

// Gate length at a step boundary: scaled by Gate, unless Tie Lock holds a full step.
inline int32_t ScaledGateLength(int32_t time, int32_t stepLen, float gateScale, bool tieLock) {
  if (tieLock && time == 4) return PlainGateLength(4, stepLen);
  const float g = (float)(time * stepLen) * gateScale * 0.25f;
  return RoundHalfAway((double)g);
}

// A gate length that reaches the step length (time 4 at Gate 100 %, or under Tie Lock)
// holds the gate to the end of the step, however many samples the grid gives that step:
// steps of a fractional length, or one stretched by a slower tempo, last longer than the
// step length, and a full step must not start its release before the next one begins.
constexpr int32_t kWholeStep = 0x7FFFFFFF;
inline int32_t HoldToStepEnd(int32_t gateLen, int32_t stepLen) {
  return gateLen >= stepLen ? kWholeStep : gateLen;
}

// A step value 0..4 as a gain or a share of the step.
inline double StepFraction(uint16_t value) { return (double)((float)value * 0.25f); }

} // namespace gate
