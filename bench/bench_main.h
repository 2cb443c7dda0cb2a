// What every benchmark program's main does once it has made its application object: run the
// benchmarks the command line names (all by default) and, for the programs that print ratios of
// their own, a console reporter that also keeps each benchmark's time.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// The console table, plus each benchmark's real time per iteration in seconds by function name.
class CRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.error_occurred) {
        m_times[run.run_name.function_name] =
            run.real_accumulated_time / static_cast<double>(run.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  const std::map<std::string, double>& Times() const { return m_times; }

 private:
  std::map<std::string, double> m_times;
};

// Runs the benchmarks through `reporter` (the console's own when null); 1 for an argument the
// library does not know, else 0.
inline int RunBenchmarks(int argc, char** argv, benchmark::BenchmarkReporter* reporter = nullptr) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks(reporter);
  benchmark::Shutdown();
  return 0;
}
