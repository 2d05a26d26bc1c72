#pragma once
// What a host tells the plug-in about its timeline and its automation, in format-neutral
// records. Every adapter translates its format into these once per block (VST2 time info,
// Audio Unit host callbacks, a VST3 process context, a CLAP transport, an LV2
// time:Position); the base runs the block from them and the engine reads only IHostTime.
#include <cstdint>

// The host's timeline at the first frame of a block (or of a slice of one).
struct IHostTime {
  // Frames from the song start (negative in a pre-roll). Hosts count exactly, so a jump of
  // this count by anything but the frames just run is a move of the song.
  int64_t mSamplePos = 0;
  // Beats per minute; 0 when the host gives no tempo.
  double mTempo = 0.0;
  // The musical position in quarter notes from the song start, when mHasBeats.
  bool mHasBeats = false;
  double mBeats = 0.0;
  // The transport runs (playing, recording or cycling).
  bool mPlaying = false;
  // The time signature, 0/0 when the host gives none.
  int mTimeSigNumerator = 0;
  int mTimeSigDenominator = 0;
  // The loop (cycle) in quarter notes, where the format tells it.
  bool mHasLoop = false;
  double mLoopStart = 0.0;
  double mLoopEnd = 0.0;

  // The same timeline `frames` later, as a later slice of one host block sees it: the
  // sample position moves on by the frames, the beats by the frames at the block's tempo
  // (a slice has no beats when the host gives no tempo).
  IHostTime After(int frames, double sampleRate) const {
    IHostTime t = *this;
    if (frames <= 0) return t;
    t.mSamplePos += frames;
    if (t.mHasBeats) {
      const double samplesPerBeat = t.mTempo > 0.0 ? sampleRate * 60.0 / t.mTempo : 0.0;
      if (samplesPerBeat > 0.0)
        t.mBeats += (double)frames / samplesPerBeat;
      else
        t.mHasBeats = false;
    }
    return t;
  }
};

// Something the host does at a frame inside a block: a parameter takes a value, or the
// timeline changes (a transport event, a new tempo or position).
struct IHostEvent {
  enum EKind { kParamValue, kTimeChange };
  EKind mKind = kParamValue;
  // The frame in the block, 0 .. frames - 1. Events come in the order of their frames;
  // several may share one.
  int mOffset = 0;
  // kParamValue: the parameter and its value, normalised (0..1) or real.
  int mParamIdx = -1;
  double mValue = 0.0;
  bool mNormalized = true;
  // kTimeChange: the timeline from this frame on.
  IHostTime mTime;
};
