#pragma once
// Ordered list of owned pointers: the list deletes what it holds.
#include "WDL_HeapBuf.h"

template <class T> class WDL_PtrList {
public:
  explicit WDL_PtrList(int granularity = 4096) : mBuf(granularity) {}
  WDL_PtrList(const WDL_PtrList&) = delete;
  WDL_PtrList& operator=(const WDL_PtrList&) = delete;
  ~WDL_PtrList() { Empty(true); }

  int GetSize() const { return mBuf.GetSize(); }
  T* Get(int index) const { return index >= 0 && index < GetSize() ? mBuf.Get()[index] : nullptr; }
  T* const* GetList() const { return mBuf.Get(); }

  T* Add(T* item) { return mBuf.Add(item) ? item : nullptr; }

  T* Insert(int index, T* item) {
    int n = GetSize();
    if (index < 0) index = 0;
    if (index > n) index = n;
    if (!mBuf.Resize(n + 1)) return nullptr;
    T** list = mBuf.Get();
    std::memmove(list + index + 1, list + index, sizeof(T*) * (size_t)(n - index));
    list[index] = item;
    return item;
  }

  int Find(const T* item) const {
    for (int i = 0; i < GetSize(); ++i)
      if (mBuf.Get()[i] == item) return i;
    return -1;
  }

  void Delete(int index, bool deleteItem = true) {
    int n = GetSize();
    if (index < 0 || index >= n) return;
    T** list = mBuf.Get();
    T* item = list[index];
    std::memmove(list + index, list + index + 1, sizeof(T*) * (size_t)(n - index - 1));
    mBuf.Resize(n - 1);
    if (deleteItem) delete item;
  }

  // Deletes the items last to first, then empties the list.
  void Empty(bool deleteItems = true) {
    if (deleteItems)
      for (int i = GetSize() - 1; i >= 0; --i)
        delete mBuf.Get()[i];
    mBuf.Resize(0);
  }

private:
  WDL_TypedBuf<T*> mBuf;
};
