#pragma once
// A user at the editor, one event at a time: presses and drags step bars, drags knobs and
// the Gate slider, holds the shift buttons down across several timer ticks (so their
// auto-repeat runs), clicks the Target slices and Tie Lock, turns the wheel over knobs.
// Points are taken from the controls' own rectangles, in the editor's list order
// (4-10 knobs, 11 Target, 12 Gate, 13 Tie Lock, 15-16 shift buttons, 17-144 step bars).
#include <random>

class IGraphics;

class EditorPlay {
public:
  explicit EditorPlay(unsigned seed) : mRandom(seed) {}

  // [editor thread] Plays the next event of the current gesture (starting a new gesture
  // when the last one ended). `ticks` is the editor's timer tick count so far.
  void Next(IGraphics* g, long ticks);
  // [editor thread] Lets go of the button, as before the editor closes.
  void Release(IGraphics* g);

  long Gestures() const { return mGestures; }

private:
  enum Kind { kStepBar, kKnob, kShift, kTarget, kWheel, kSlider, kTieLock, kNumKinds };
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(mRandom); }
  void Begin(IGraphics* g, long ticks);

  std::minstd_rand mRandom;
  bool mHeld = false;
  int mX = 0, mY = 0;
  int mMovesLeft = 0;      // drags still to come
  long mReleaseAtTick = 0; // a held button comes up at this tick
  long mGestures = 0;
};
