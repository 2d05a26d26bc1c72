#include "RtCounters.h"

#include <cerrno>
#include <cstddef>
#include <ctime>

// The C library's own entries, under their internal names.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
int __pthread_mutex_lock(pthread_mutex_t* mutex);
int __pthread_mutex_unlock(pthread_mutex_t* mutex);
}
// The locks' other names are old versioned symbols: bind to that version.
__asm__(".symver __pthread_mutex_lock,__pthread_mutex_lock@GLIBC_2.2.5");
__asm__(".symver __pthread_mutex_unlock,__pthread_mutex_unlock@GLIBC_2.2.5");

namespace {

thread_local RtThreadCounts* tCounts = nullptr;
// The calling thread's holding of the watched (recursive) mutex: depth and since when.
thread_local int tWatchedDepth = 0;
thread_local int64_t tHoldStart = 0;
std::atomic<bool> gCounting{false};
std::atomic<const pthread_mutex_t*> gWatched{nullptr};

// The record of the calling thread while counting is on; null otherwise.
RtThreadCounts* Counting() {
  RtThreadCounts* c = tCounts;
  return c && gCounting.load(std::memory_order_relaxed) ? c : nullptr;
}

void CountAllocation() {
  if (RtThreadCounts* c = Counting()) c->mAllocations.fetch_add(1, std::memory_order_relaxed);
}

int64_t NowNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

} // namespace

void RtThreadCounts::Clear() {
  mAllocations = 0;
  mFrees = 0;
  mLocks = 0;
  mWaits = 0;
  mWatchedWaits = 0;
  mLongestWatchedWaitNs = 0;
  mLongestWatchedHoldNs = 0;
}

void RtCounters::Attach(RtThreadCounts* counts) {
  tCounts = counts;
  tWatchedDepth = 0;
}
void RtCounters::SetCounting(bool on) { gCounting.store(on, std::memory_order_relaxed); }
void RtCounters::Watch(const pthread_mutex_t* mutex) {
  gWatched.store(mutex, std::memory_order_relaxed);
}

extern "C" {

void* malloc(size_t size) {
  CountAllocation();
  return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
  CountAllocation();
  return __libc_calloc(count, size);
}

void* realloc(void* p, size_t size) {
  CountAllocation();
  return __libc_realloc(p, size);
}

void free(void* p) {
  if (!p) return;
  if (RtThreadCounts* c = Counting()) c->mFrees.fetch_add(1, std::memory_order_relaxed);
  __libc_free(p);
}

void* memalign(size_t alignment, size_t size) {
  CountAllocation();
  return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
  CountAllocation();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
  CountAllocation();
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* p = __libc_memalign(alignment, size);
  if (!p) return ENOMEM;
  *out = p;
  return 0;
}

int pthread_mutex_lock(pthread_mutex_t* mutex) {
  RtThreadCounts* c = Counting();
  if (!c) return __pthread_mutex_lock(mutex);
  c->mLocks.fetch_add(1, std::memory_order_relaxed);
  const bool watched = mutex == gWatched.load(std::memory_order_relaxed);
  int result = pthread_mutex_trylock(mutex);
  if (result != 0) {
    // Held by another thread (a recursive mutex this thread holds is taken at once).
    const int64_t start = NowNs();
    result = __pthread_mutex_lock(mutex);
    const int64_t waited = NowNs() - start;
    c->mWaits.fetch_add(1, std::memory_order_relaxed);
    if (watched) {
      c->mWatchedWaits.fetch_add(1, std::memory_order_relaxed);
      if (waited > c->mLongestWatchedWaitNs.load(std::memory_order_relaxed))
        c->mLongestWatchedWaitNs.store(waited, std::memory_order_relaxed);
    }
  }
  if (watched && result == 0 && tWatchedDepth++ == 0) tHoldStart = NowNs();
  return result;
}

int pthread_mutex_unlock(pthread_mutex_t* mutex) {
  RtThreadCounts* c = tCounts;
  // A hold that began before counting was switched on is not timed.
  if (c && tWatchedDepth > 0 && mutex == gWatched.load(std::memory_order_relaxed) &&
      --tWatchedDepth == 0) {
    const int64_t held = NowNs() - tHoldStart;
    if (held > c->mLongestWatchedHoldNs.load(std::memory_order_relaxed))
      c->mLongestWatchedHoldNs.store(held, std::memory_order_relaxed);
  }
  return __pthread_mutex_unlock(mutex);
}

} // extern "C"
