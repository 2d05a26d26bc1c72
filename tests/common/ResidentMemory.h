#pragma once
// The process's resident memory, for tests that check repeated work keeps none: read from
// /proc/self/statm (Linux). Under AddressSanitizer freed memory sits in its quarantine,
// so there the figure says nothing and LeakSanitizer checks instead. The Windows builds
// (run under wine) leave the figure to the Linux run.
#include <cstdio>

#ifndef _WIN32
#include <unistd.h>
#endif

#if defined(_WIN32)
constexpr bool kResidentMemoryMeaningful = false;
#elif defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentMemoryMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentMemoryMeaningful = false;
#else
constexpr bool kResidentMemoryMeaningful = true;
#endif
#else
constexpr bool kResidentMemoryMeaningful = true;
#endif

// Resident bytes now; -1 when they cannot be read.
inline long ResidentBytes() {
#ifdef _WIN32
  return -1;
#else
  long pages = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1;
  const int n = std::fscanf(f, "%ld %ld", &pages, &resident);
  std::fclose(f);
  return n == 2 ? resident * sysconf(_SC_PAGESIZE) : -1;
#endif
}
