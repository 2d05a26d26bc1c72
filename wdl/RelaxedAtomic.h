#pragma once
// A value that one thread writes and another reads without a lock: every load and
// store is a relaxed atomic, so the program has no data race while the arithmetic
// stays that of the plain value. Compound assignments are a load and a store, not a
// read-modify-write: only one thread ever does arithmetic on such a value.
#include <atomic>

template <typename T> class RelaxedAtomic {
public:
  RelaxedAtomic(T v = T()) : mValue(v) {}
  RelaxedAtomic(const RelaxedAtomic& o) : mValue(o.Load()) {}
  RelaxedAtomic& operator=(const RelaxedAtomic& o) {
    Store(o.Load());
    return *this;
  }
  RelaxedAtomic& operator=(T v) {
    Store(v);
    return *this;
  }
  operator T() const { return Load(); }
  T Load() const { return mValue.load(std::memory_order_relaxed); }
  void Store(T v) { mValue.store(v, std::memory_order_relaxed); }
  RelaxedAtomic& operator+=(T d) {
    Store(Load() + d);
    return *this;
  }
  RelaxedAtomic& operator-=(T d) {
    Store(Load() - d);
    return *this;
  }

private:
  std::atomic<T> mValue;
};
