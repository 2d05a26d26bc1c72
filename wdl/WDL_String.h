#pragma once
// Growable NUL-terminated string.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

class WDL_String {
public:
  WDL_String() = default;
  explicit WDL_String(const char* text) { Set(text); }
  WDL_String(const WDL_String& other) { Set(other.Get()); }
  WDL_String& operator=(const WDL_String& other) {
    if (this != &other) Set(other.Get());
    return *this;
  }
  ~WDL_String() { std::free(mBuf); }

  const char* Get() const { return mBuf ? mBuf : ""; }
  int GetLength() const { return mBuf ? (int)std::strlen(mBuf) : 0; }

  void Set(const char* text, int maxLen = -1) {
    if (!text) text = "";
    // With a length limit the text need not be terminated within it.
    size_t n = 0;
    while ((maxLen < 0 || n < (size_t)maxLen) && text[n])
      ++n;
    if (!Reserve(n)) return;
    std::memmove(mBuf, text, n);
    mBuf[n] = 0;
  }

  void Append(const char* text) {
    if (!text || !*text) return;
    size_t old = (size_t)GetLength(), n = std::strlen(text);
    if (!Reserve(old + n)) return;
    std::memcpy(mBuf + old, text, n + 1);
  }

  void SetFormatted(int maxLen, const char* fmt, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
  {
    if (maxLen < 1 || !Reserve((size_t)maxLen)) return;
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(mBuf, (size_t)maxLen + 1, fmt, ap);
    va_end(ap);
  }

  // Makes room for a text of `len` bytes; false if the storage could not grow.
  bool Reserve(size_t len) {
    if (len + 1 <= mCap) return true;
    char* p = (char*)std::realloc(mBuf, len + 1);
    if (!p) return false;
    if (!mBuf) p[0] = 0;
    mBuf = p;
    mCap = len + 1;
    return true;
  }

private:
  char* mBuf = nullptr;
  size_t mCap = 0;
};
