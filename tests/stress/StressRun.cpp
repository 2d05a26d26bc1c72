#include "StressRun.h"

#include <chrono>
#include <thread>

void StressRun::Fail(const std::string& message) {
  std::lock_guard<std::mutex> lock(mFailuresLock);
  if (++mFailureCount <= 10) mFailures.push_back(message);
}

void StressRun::WarmUpMeasureAndStop(double seconds, double warmUp) {
  SleepWhileRunning(*this, warmUp);
  MeasurementStarts();
  SleepWhileRunning(*this, seconds);
  MeasurementEnds();
  Stop();
}

bool StressRun::Failed() const {
  std::lock_guard<std::mutex> lock(mFailuresLock);
  return mFailureCount > 0;
}

std::vector<std::string> StressRun::Failures() const {
  std::lock_guard<std::mutex> lock(mFailuresLock);
  std::vector<std::string> out = mFailures;
  if (mFailureCount > 10)
    out.push_back("... and " + std::to_string(mFailureCount - 10) + " more failures");
  return out;
}

void SleepWhileRunning(const StressRun& run, double seconds) {
  using namespace std::chrono;
  const auto end =
      steady_clock::now() + duration_cast<steady_clock::duration>(duration<double>(seconds));
  while (!run.Stopping() && steady_clock::now() < end)
    std::this_thread::sleep_for(milliseconds(5));
}
