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

// One reading of `clock` with the steady clock's time at that moment. A reading that the
// scheduler interrupted (the two steady times around it more than 1 ms apart) is taken
// again, so a loaded machine does not blur the comparison.
template <class Clock> void ReadClock(const Clock& clock, double* steady, uint32_t* ticks) {
  using namespace std::chrono;
  for (int tries = 0;; ++tries) {
    const auto before = steady_clock::now();
    const uint32_t t = clock();
    const auto after = steady_clock::now();
    if (after - before < milliseconds(1) || tries > 10000) {
      *steady = duration<double>((before + (after - before) / 2).time_since_epoch()).count();
      *ticks = t;
      return;
    }
  }
}

// Seconds counted by `clock` (CLOCKS_PER_SEC ticks) over `duration` with `threads` threads
// spinning; the steady clock's seconds over the same interval go to *wall.
template <class Clock>
double ClockSecondsOver(const Clock& clock, std::chrono::milliseconds duration, int threads,
                        double* wall) {
  double start = 0, end = 0;
  uint32_t first = 0, last = 0;
  std::atomic<bool> stop{false};
  std::vector<std::thread> spinners;
  for (int t = 0; t < threads; ++t)
    spinners.emplace_back([&] {
      volatile double x = 1.0;
      while (!stop.load(std::memory_order_relaxed))
        x = x * 1.0000001;
    });
  ReadClock(clock, &start, &first);
  std::this_thread::sleep_for(duration);
  ReadClock(clock, &end, &last);
  stop = true;
  for (std::thread& t : spinners)
    t.join();
  *wall = end - start;
  return (double)(uint32_t)(last - first) / CLOCKS_PER_SEC;
}
