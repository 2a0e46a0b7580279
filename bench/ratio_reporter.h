// A console reporter that also prints, for every pair of benchmarks named "X/vantrel" and
// "X/plain", the ratio of their real times (plain / vantrel: above 1 means the runtime is faster).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace vantrel::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nratios (plain time / vantrel time; >= 1 means vantrel is as fast or faster):\n");
    for (const auto& [name, time] : times_) {
      std::size_t cut = name.find("/vantrel");
      if (cut == std::string::npos) continue;
      std::string plain = name.substr(0, cut) + "/plain" + name.substr(cut + 8);
      auto other = times_.find(plain);
      if (other == times_.end() || time <= 0) continue;
      std::printf("  %-40s %6.2f\n", name.substr(0, cut).append(name.substr(cut + 8)).c_str(), other->second / time);
    }
  }

 private:
  std::map<std::string, double> times_;
};

inline int runWithRatios(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace vantrel::bench
