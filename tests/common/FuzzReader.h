#pragma once
// The fuzzers' view of their input: values taken in order from the bytes, each as wide as
// its type; past the end the missing bytes read as zero, so every input is a whole run.
#include <cstddef>
#include <cstdint>
#include <cstring>

class FuzzReader {
public:
  FuzzReader(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
  bool More() const { return mPos < mSize; }
  template <class T> T Take() {
    T v;
    std::memset(&v, 0, sizeof(v));
    const size_t n = mSize - mPos < sizeof(T) ? mSize - mPos : sizeof(T);
    std::memcpy(&v, mData + mPos, n);
    mPos += n;
    return v;
  }

private:
  const uint8_t* mData;
  size_t mSize;
  size_t mPos = 0;
};
