#pragma once
// The step grid: on which sample each step begins. The grid is tied to an anchor, a frame
// at which the song's position is known exactly in steps (a whole step number and the
// samples from that step's exact start); from there every step begins on the sample
// nearest its exact musical start, so that a step whose exact length is fractional lasts
// one sample more or less than its neighbour and the grid never drifts from the song.
// The rule is written out in GateProcessor.cpp; every operation here is in double
// precision in the order written, because the output is compared bit for bit with an
// independent model.
#include <cmath>
#include <cstdint>

namespace gate {

// A musical position at most this share of a bar (a sixteenth of a beat) from where the
// grid expects it is the host's rounding or jitter: hosts quantise it (Ardour to 1/1920 of
// a beat, up to 300 samples at 20 BPM and 192 kHz), so only a move of the song shows
// beyond it. The sample position needs no such allowance: it is an exact count.
constexpr double kMusicalToleranceBars = 1.0 / 64.0;
// A musical position beyond this many beats either way is taken as none.
constexpr double kMaxBeats = 1099511627776.0; // 2^40

struct GateGrid {
  double mLen = 0.0;         // exact step length in samples, L (0 before the first anchor)
  int64_t mAnchorStep = 0;   // q: the step of the exact grid the anchor frame lies in
  double mAnchorPhase = 0.0; // p: samples from step q's exact start to the anchor frame
  int32_t mAnchorPos = 0;    // the host's sample position at the anchor frame
  int64_t mFrame = 0;        // frames since the anchor frame, of the next frame to run
  int64_t mStep = 0;         // the current step's number on the song's grid
  int64_t mNextStart = 0;    // frame (counted like mFrame) of the next step's first sample

  // What the exact step length was derived from, kept so that the Rate's length in bars
  // is computed only when the Rate changes.
  int32_t mRate = -1;      // Rate index of mBars and mExactBars
  float mBars = 0.0f;      // the Rate's step length in bars, as the step length uses it
  double mExactBars = 0.0; // the same in double precision, as the grid uses it
  double mBarLen = 0.0;    // the last samples per bar a host tempo gave, 0 before one

  // First sample of step q + m, counted from the anchor frame: floor(m * L - p + 0.5),
  // the sample nearest the exact start (a start exactly between two samples takes the
  // later one).
  int64_t StartOf(int64_t m) const {
    return (int64_t)std::floor((double)m * mLen - mAnchorPhase + 0.5);
  }

  // Anchors at a position given in steps: q = floor(u), p = (u - q) * L.
  void AnchorAtSteps(double steps, double len, int32_t hostPos) {
    const double q = std::floor(steps);
    Anchor((int64_t)q, (steps - q) * len, len, hostPos);
  }
  // Anchors at a host sample position: q = floor(pos / L), p = pos - q * L.
  void AnchorAtSamples(int32_t pos, double len) {
    const double q = std::floor((double)pos / len);
    Anchor((int64_t)q, (double)pos - q * len, len, pos);
  }

  // Resynchronisation after an anchor: the current step is step q, or q + 1 when that
  // one already begins at or before the anchor frame. Answers the samples of the
  // current step before the anchor frame.
  int32_t StartHere() {
    mStep = StartOf(1) <= 0 ? mAnchorStep + 1 : mAnchorStep;
    mNextStart = StartOf(mStep + 1 - mAnchorStep);
    return (int32_t)-StartOf(mStep - mAnchorStep);
  }

  // Re-anchoring without a resynchronisation (a new step length): the current step
  // keeps its number and its samples so far; the next one begins where the new anchor
  // puts it, on the next frame at the latest.
  void Reanchor(double steps, double len, int32_t hostPos) {
    AnchorAtSteps(steps, len, hostPos);
    mNextStart = StartOf(mStep + 1 - mAnchorStep);
  }

  // At a step boundary: the next step, and where its successor begins.
  void Advance() {
    ++mStep;
    mNextStart = StartOf(mStep + 1 - mAnchorStep);
  }

  // Where the grid is at the next frame, in steps: q + (p + frames) / L.
  double Position() const { return (double)mAnchorStep + (mAnchorPhase + (double)mFrame) / mLen; }
  // How far a host position given in steps is ahead of the grid, in samples of the
  // grid's step length: (u - q) * L - p - frames.
  double DistanceInSamples(double steps) const {
    return (steps - (double)mAnchorStep) * mLen - mAnchorPhase - (double)mFrame;
  }
  // How far a host sample position is ahead of the grid, in samples (wrapping like the
  // host's signed 32-bit count).
  int32_t DistanceInSamples(int32_t pos) const {
    return (int32_t)((uint32_t)pos - (uint32_t)mAnchorPos - (uint32_t)(uint64_t)mFrame);
  }

private:
  void Anchor(int64_t step, double phase, double len, int32_t hostPos) {
    mAnchorStep = step;
    mAnchorPhase = phase;
    mLen = len;
    mAnchorPos = hostPos;
    mFrame = 0;
  }
};

} // namespace gate
