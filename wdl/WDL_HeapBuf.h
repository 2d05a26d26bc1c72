#pragma once
// Heap byte buffer that grows (and keeps) its storage in steps of the granularity,
// and a typed view of it.
#include <cstdlib>
#include <cstring>

class WDL_HeapBuf {
public:
  explicit WDL_HeapBuf(int granularity = 4096)
      : mGranularity(granularity > 0 ? granularity : 4096) {}
  WDL_HeapBuf(const WDL_HeapBuf&) = delete;
  WDL_HeapBuf& operator=(const WDL_HeapBuf&) = delete;
  ~WDL_HeapBuf() { std::free(mBuf); }

  void* Get() const { return mSize ? mBuf : nullptr; }
  int GetSize() const { return mSize; }
  int GetGranularity() const { return mGranularity; }
  int GetCapacity() const { return mCapacity; }

  // Answers the buffer at the new size, or null (size unchanged) when memory runs out.
  void* Resize(int newSize) {
    if (newSize < 0) newSize = 0;
    if (newSize > mCapacity) {
      long long want = ((long long)newSize + mGranularity - 1) / mGranularity * mGranularity;
      if (want > 0x7fffffff) return nullptr;
      void* p = std::realloc(mBuf, (size_t)want);
      if (!p) return nullptr;
      mBuf = p;
      mCapacity = (int)want;
    }
    mSize = newSize;
    return mBuf;
  }

private:
  void* mBuf = nullptr;
  int mSize = 0;
  int mCapacity = 0;
  int mGranularity;
};

// Growable array of plain values (no constructors run).
template <class T> class WDL_TypedBuf {
public:
  explicit WDL_TypedBuf(int granularity = 4096) : mHeap(granularity) {}

  T* Get() const { return (T*)mHeap.Get(); }
  int GetSize() const { return mHeap.GetSize() / (int)sizeof(T); }

  T* Resize(int count) {
    if (count < 0) count = 0;
    if ((long long)count * (long long)sizeof(T) > 0x7fffffffLL) return nullptr;
    return (T*)mHeap.Resize(count * (int)sizeof(T));
  }

  T* Add(const T& item) {
    int n = GetSize();
    T* p = Resize(n + 1);
    if (!p || GetSize() != n + 1) return nullptr;
    std::memcpy((void*)&p[n], (const void*)&item, sizeof(T));
    return &p[n];
  }

private:
  WDL_HeapBuf mHeap;
};
