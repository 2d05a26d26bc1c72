#pragma once
// The clock the engine counts its timeouts in, as the adapters hand it over: monotonic
// real time in CLOCKS_PER_SEC ticks, wrapping at 32 bits. On Windows clock() is already
// wall time since the process started; elsewhere it is processor time summed over all
// threads, so real time is read instead, at its tick rate.
#include <chrono>
#include <cstdint>
#include <ctime>

inline uint32_t RealTimeProcessorClock() {
#if defined(_WIN32)
  return (uint32_t)std::clock();
#else
  typedef std::chrono::duration<int64_t, std::ratio<1, CLOCKS_PER_SEC>> Ticks;
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return (uint32_t)(uint64_t)std::chrono::duration_cast<Ticks>(now).count();
#endif
}
