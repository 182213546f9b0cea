// Collects the rates of a benchmark run and prints the summary rows that
// `make bench` gathers into its table: one line per figure,
//   | figure | measured | target | met |
// where a ratio compares two benchmarks of the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace benchsummary {

// Console output as usual; keeps items and bytes per second of each
// benchmark (the median when repetitions are asked for).
class Reporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if (r.run_type == Run::RT_Aggregate && !median) continue;
      const std::string& name = r.run_name.function_name;
      if (!median && medians_.count(name)) continue;
      if (median) medians_[name] = true;
      for (const char* counter : {"items_per_second", "bytes_per_second"}) {
        auto it = r.counters.find(counter);
        if (it != r.counters.end()) rates_[name] = it->second.value;
      }
    }
  }

  // Items or bytes per second of a benchmark; 0 when it did not run.
  double Rate(const std::string& name) const {
    auto it = rates_.find(name);
    return it == rates_.end() ? 0.0 : it->second;
  }

private:
  std::map<std::string, double> rates_;
  std::map<std::string, bool> medians_;
};

// One row: the figure's text, its value, and the least value that meets the
// target (none when target <= 0). A figure that did not run prints "-".
inline void PrintRow(const char* figure, double value, const char* unit, double target) {
  char measured[64], wanted[64];
  if (value > 0)
    std::snprintf(measured, sizeof measured, "%.3g %s", value, unit);
  else
    std::snprintf(measured, sizeof measured, "-");
  if (target > 0)
    std::snprintf(wanted, sizeof wanted, ">= %.3g %s", target, unit);
  else
    std::snprintf(wanted, sizeof wanted, "-");
  const char* met = target <= 0 || value <= 0 ? "" : value >= target ? "yes" : "NO";
  std::printf("| %-44s | %-16s | %-14s | %-3s |\n", figure, measured, wanted, met);
}

// Runs the benchmarks named on the command line with the reporter above.
inline bool RunAll(int* argc, char** argv, Reporter* reporter) {
  benchmark::Initialize(argc, argv);
  if (benchmark::ReportUnrecognizedArguments(*argc, argv)) return false;
  benchmark::RunSpecifiedBenchmarks(reporter);
  benchmark::Shutdown();
  return true;
}

}  // namespace benchsummary
