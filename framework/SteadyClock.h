#pragma once
// The clock the engine counts its timeouts in, for every adapter: monotonic real time in
// CLOCKS_PER_SEC ticks, wrapping like clock()'s (whose processor time, summed over all
// threads, is no measure of real time on Linux and macOS).
#include <chrono>
#include <cstdint>
#include <ctime>

inline uint32_t SteadyClockTicks() {
  typedef std::chrono::duration<int64_t, std::ratio<1, CLOCKS_PER_SEC>> Ticks;
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return (uint32_t)(uint64_t)std::chrono::duration_cast<Ticks>(now).count();
}
