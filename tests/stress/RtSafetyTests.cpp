// The audio thread under the stress host's threads at full speed (host automation, chunks
// and programs, the editor played with): after a warm-up it allocates nothing for ten
// seconds. Printed for the record: its mutex acquisitions and its waits for the instance
// mutex, with the longest.
#include "Corvanel.h"
#include "RtCounters.h"
#include "VstStress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace {

class CountedStress : public VstStress {
public:
  RtThreadCounts mAudio, mEditor, mHost;
  long mBlocks = 0; // processed in the measured time

  void ThreadStarted(StressThread thread) override {
    RtCounters::Attach(thread == StressThread::kAudio    ? &mAudio
                       : thread == StressThread::kEditor ? &mEditor
                                                         : &mHost);
  }
  void MeasurementStarts() override {
    mAudio.Clear();
    mEditor.Clear();
    mHost.Clear();
    mBlocks = Counts().mBlocks;
    RtCounters::SetCounting(true);
  }
  void MeasurementEnds() override {
    RtCounters::SetCounting(false);
    mBlocks = Counts().mBlocks - mBlocks;
  }
};

// The counters see what they count: otherwise the zero below would prove nothing.
TEST(RealTimeSafety, TheCountersSeeAllocationsLocksAndWaits) {
  RtThreadCounts counts;
  RtCounters::Attach(&counts);
  RtCounters::SetCounting(true);
  auto object = std::make_unique<int>(1); // operator new
  void* block = std::calloc(4, 4);
  block = std::realloc(block, 64);
  std::free(block);
  std::mutex mutex;
  { std::lock_guard<std::mutex> lock(mutex); }
  RtCounters::SetCounting(false);
  RtCounters::Attach(nullptr);
  EXPECT_EQ(counts.mAllocations, 3);
  EXPECT_EQ(counts.mFrees, 1);
  EXPECT_EQ(counts.mLocks, 1);
  EXPECT_EQ(counts.mWaits, 0);
}

TEST(RealTimeSafety, TheAudioThreadAllocatesNothingWhileHostAndEditorWork) {
  CountedStress stress;
  std::string error;
  ASSERT_TRUE(stress.Setup(&error)) << error;
  // The instance mutex is a POSIX recursive mutex, the only member of WDL_Mutex.
  RtCounters::Watch(reinterpret_cast<const pthread_mutex_t*>(&stress.Plug()->mMutex));
  stress.Run(10.0, 1.0);

  const RtThreadCounts& a = stress.mAudio;
  auto ms = [](const std::atomic<int64_t>& ns) { return (double)ns.load() / 1e6; };
  std::printf("audio thread, 10 s: %ld blocks, %ld allocations, %ld frees, %ld mutex acquisitions, "
              "%ld waits, %ld instance-mutex waits, longest %.3f ms\n",
              stress.mBlocks, a.mAllocations.load(), a.mFrees.load(), a.mLocks.load(),
              a.mWaits.load(), a.mWatchedWaits.load(), ms(a.mLongestWatchedWaitNs));
  std::printf("longest instance-mutex hold: audio %.3f ms, editor %.3f ms, host %.3f ms\n",
              ms(a.mLongestWatchedHoldNs), ms(stress.mEditor.mLongestWatchedHoldNs),
              ms(stress.mHost.mLongestWatchedHoldNs));
  for (const std::string& f : stress.Failures())
    ADD_FAILURE() << f;
  EXPECT_EQ(a.mAllocations, 0);
  EXPECT_EQ(a.mFrees, 0);
  EXPECT_EQ(stress.Counts().mNonFinite, 0);
  // The other threads worked meanwhile: their locks were counted too.
  EXPECT_GT(a.mLocks, 0);
  EXPECT_GT(stress.mEditor.mLocks, 0);
  EXPECT_GT(stress.mHost.mLocks, 0);
}

} // namespace
