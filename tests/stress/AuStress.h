#pragma once
// The Audio Unit (the component bundle's binary, opened through its factory as the system
// opens it) driven by two threads as a macOS host drives it:
//   render  AudioUnitRender, which reaches the directly dispatched render, without pause
//           on a running timeline (the host callbacks
//           answer tempo, beat and transport from the position the render thread
//           advances);
//   host    AudioUnitSetParameter and GetParameter, the class-info dictionary read back,
//           checked and written again, preset selection, property gets and sets (the
//           slice size, the bypass, the stream format).
// Checks: every rendered sample finite, every class-info "data" block well formed with
// every value in range, every call answered noErr.
#include "AuHost.h"
#include "ChunkCheck.h"
#include "StressRun.h"

#include <atomic>
#include <string>
#include <vector>

struct AuStressCounts {
  std::atomic<long> mRenders{0}, mNonFinite{0}, mHostCalls{0}, mClassInfos{0};
  // The render's waits on the instance mutex, which the host thread holds meanwhile: the
  // longest render call and the renders over a millisecond.
  std::atomic<long> mLongestRenderUs{0}, mRendersOver1ms{0};
};

class AuStress : public StressRun {
public:
  static constexpr UInt32 kMaxBlock = 512;

  // [main thread] Opens and initialises the instance. False with a message on failure.
  bool Setup(std::string* error);
  // [main thread] Runs the two threads for `warmUp` and then `seconds` more (the
  // measured time), and joins them.
  void Run(double seconds, double warmUp = 0.0);

  const AuStressCounts& Counts() const { return mCounts; }

private:
  void RenderLoop();
  void HostLoop();
  void CheckClassInfo(); // [host thread]

  AuInstance mUnit;
  HostTimeline mTimeline; // advanced by the render thread
  SignalSource mSignal;
  std::vector<ParamRange> mSavedRanges, mAllRanges;
  int mNumPresets = 0;
  AuStressCounts mCounts;
};
