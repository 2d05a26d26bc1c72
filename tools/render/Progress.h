#pragma once
// A progress bar on stderr for renders that take more than a second, shown only
// when stderr is a terminal.
#include <chrono>
#include <cstdint>

class Progress {
public:
  // `enabled` false keeps it silent (--quiet, or stderr is no terminal).
  Progress(int64_t totalFrames, int sampleRate, bool enabled);
  ~Progress(); // clears the bar
  void Update(int64_t framesDone);

private:
  using Clock = std::chrono::steady_clock;
  int64_t mTotal;
  int mSampleRate;
  bool mEnabled;
  bool mShown = false;
  Clock::time_point mStart, mLastDraw;
};
