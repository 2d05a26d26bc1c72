#pragma once
// A console reporter that keeps each case's CPU time (the machine is shared, so CPU
// time rather than wall time) and prints cases as ratios to their baselines measured in
// the same run: by default every case that has a case of the same name with "_memcpy"
// appended, or the pairs a benchmark names.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// A case, the baseline it is divided by, and what the ratio means.
struct RatioCase {
  std::string mCase, mBaseline, mTitle;
};

// Shows the runs as usual and keeps their times for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // With repetitions the median stands for the case; otherwise the single run.
    for (const Run& r : runs) {
      const std::string name = r.run_name.function_name;
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
        mTimes[name] = r.GetAdjustedCPUTime();
        mHaveMedian[name] = true;
      } else if (r.run_type == Run::RT_Iteration && !mHaveMedian[name]) {
        mTimes[name] = r.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    std::printf("\nCPU time as a ratio to memcpy of the same bytes (lower is faster):\n");
    for (const auto& kv : mTimes) {
      const std::string base = kv.first + "_memcpy";
      auto it = mTimes.find(base);
      if (it != mTimes.end() && it->second > 0)
        std::printf("  %-22s %8.2f\n", kv.first.c_str(), kv.second / it->second);
    }
  }
  void PrintRatios(const std::vector<RatioCase>& cases) const {
    std::printf("\nCPU time ratios (lower is faster):\n");
    for (const RatioCase& c : cases) {
      auto it = mTimes.find(c.mCase), base = mTimes.find(c.mBaseline);
      if (it != mTimes.end() && base != mTimes.end() && base->second > 0)
        std::printf("  %-60s %8.2f\n", c.mTitle.c_str(), it->second / base->second);
    }
  }

private:
  std::map<std::string, double> mTimes; // CPU time: the machine is shared
  std::map<std::string, bool> mHaveMedian;
};

// The whole main() of a ratio benchmark: run the cases, then print the ratios (to the
// "_memcpy" cases when no pairs are named).
inline int RunRatioBenchmarks(int argc, char** argv, const std::vector<RatioCase>& cases = {}) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (cases.empty())
    reporter.PrintRatios();
  else
    reporter.PrintRatios(cases);
  benchmark::Shutdown();
  return 0;
}
