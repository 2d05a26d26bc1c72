#pragma once
// What the stress threads share: the stop flag, the failures they found and a hook that
// tells a subclass which thread has started (the real-time counters attach there).
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

enum class StressThread { kAudio, kEditor, kHost };

class StressRun {
public:
  virtual ~StressRun() = default;

  // [the thread named] Called once as each thread begins, before its first call.
  virtual void ThreadStarted(StressThread thread) {}
  // [main thread] The warm-up is over and the measured time begins; it ends before the
  // threads are told to stop.
  virtual void MeasurementStarts() {}
  virtual void MeasurementEnds() {}

  // [main thread, the threads started] Lets them run for `warmUp`, then `seconds` more
  // between MeasurementStarts and MeasurementEnds, then tells them to stop.
  void WarmUpMeasureAndStop(double seconds, double warmUp);

  bool Stopping() const { return mStop.load(std::memory_order_acquire); }
  void Stop() { mStop.store(true, std::memory_order_release); }
  void Restart() { mStop.store(false, std::memory_order_release); }

  // [any thread but the audio thread, which only counts] Keeps the first few messages.
  void Fail(const std::string& message);
  bool Failed() const;
  std::vector<std::string> Failures() const;

private:
  std::atomic<bool> mStop{false};
  mutable std::mutex mFailuresLock;
  std::vector<std::string> mFailures;
  int mFailureCount = 0;
};

// Sleeps until the steady clock has passed `seconds` from the call, or the run stops.
void SleepWhileRunning(const StressRun& run, double seconds);
