#pragma once
// The editor's tick runs at its own rate in real time, whatever rate the host idles at:
// each idle call asks how many ticks the monotonic time since the window opened calls
// for, so auto-repeat and the deferred end of a wheel gesture keep their timing at a
// 15 Hz host as at a 60 Hz one. After a long stall (the host busy, a debugger) at most
// one second of ticks runs, and counting restarts from then.
#include <cstdint>
#include <ctime>

class TickClock {
public:
  // [editor thread] A rate of 0 or less becomes 24 per second.
  explicit TickClock(int fps = 24) : mFPS(fps > 0 ? fps : 24) {}

  // [editor thread] Counting starts at `nowNs`; the first tick is due one period later.
  void Start(int64_t nowNs) {
    mStart = nowNs;
    mDone = 0;
  }

  // [editor thread] The ticks that came due since the last call.
  int Due(int64_t nowNs) {
    const int64_t elapsed = nowNs - mStart;
    if (elapsed <= 0) return 0;
    const int64_t total = elapsed * mFPS / 1000000000;
    int64_t n = total - mDone;
    if (n > mFPS) {
      Start(nowNs); // a stall: one second's worth, then real time again from here
      return mFPS;
    }
    mDone = total;
    return (int)n;
  }

  // The monotonic clock, in nanoseconds.
  static int64_t NowNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000000000 + ts.tv_nsec;
  }

private:
  int mFPS;
  int64_t mStart = 0;
  int64_t mDone = 0;
};
