#pragma once
// Measures an adapter's engine clock against the steady clock while the process idles or
// keeps threads busy: processor time would stand still in the first case and run several
// times too fast in the second; real time does neither.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <thread>
#include <vector>

// Seconds counted by `clock` (CLOCKS_PER_SEC ticks) over `duration` with `threads` threads
// spinning; the steady clock's seconds over the same interval go to *wall.
template <class Clock>
double ClockSecondsOver(const Clock& clock, std::chrono::milliseconds duration, int threads,
                        double* wall) {
  const auto start = std::chrono::steady_clock::now();
  const uint32_t first = clock();
  std::atomic<bool> stop{false};
  std::vector<std::thread> spinners;
  for (int t = 0; t < threads; ++t)
    spinners.emplace_back([&] {
      volatile double x = 1.0;
      while (!stop.load(std::memory_order_relaxed))
        x = x * 1.0000001;
    });
  std::this_thread::sleep_for(duration);
  stop = true;
  for (std::thread& t : spinners)
    t.join();
  const uint32_t last = clock();
  *wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return (double)(uint32_t)(last - first) / CLOCKS_PER_SEC;
}
