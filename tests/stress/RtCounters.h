#pragma once
// Counts, per thread, what real-time code must not do: the program defines malloc,
// calloc, realloc, free, posix_memalign, aligned_alloc and memalign (operator new lands
// in malloc) and pthread_mutex_lock over the C library's, so every call in the process
// passes here. A lock is tried first; only when that fails is the blocking lock timed,
// and the wait is counted against its mutex. For the watched mutex pthread_mutex_unlock
// is replaced too, to time how long each thread holds it (outermost lock to last unlock).
// Counting runs only on threads that attached a record, and only while it is switched on.
#include <atomic>
#include <cstdint>
#include <pthread.h>

struct RtThreadCounts {
  std::atomic<long> mAllocations{0}; // malloc, calloc, realloc, the aligned forms
  std::atomic<long> mFrees{0};
  std::atomic<long> mLocks{0};        // pthread_mutex_lock calls
  std::atomic<long> mWaits{0};        // of them, the ones that had to wait
  std::atomic<long> mWatchedWaits{0}; // waits on the watched mutex
  std::atomic<int64_t> mLongestWatchedWaitNs{0};
  std::atomic<int64_t> mLongestWatchedHoldNs{0};

  void Clear();
};

namespace RtCounters {
// [the thread itself] Counts this thread's calls into `counts` (null stops).
void Attach(RtThreadCounts* counts);
// [any thread] Switches counting on or off for every attached thread.
void SetCounting(bool on);
// [any thread, before counting] The mutex whose waits are counted apart (the instance's).
void Watch(const pthread_mutex_t* mutex);
} // namespace RtCounters
