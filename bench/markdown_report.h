// Collects the figures of a benchmark run (the medians when repeated) and writes them as
// Markdown tables, each of our figures beside its OpenSSL peer's.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace corvane::bench {

class MarkdownReport : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;

  // The whole BENCHMARKS.md text.
  std::string Markdown() const;

 private:
  struct Figure {
    double time = 0;  // per call, in the benchmark's unit (CPU time; the child's for commands)
    double bytes_per_second = 0;
    double enumerated = 0;  // certificates a store search went through; 0: not counted
  };
  // Keyed by operation ("verify"), then party ("ours"), then argument ("1024").
  std::map<std::string, std::map<std::string, std::map<std::string, Figure>>> figures_;
  std::vector<std::string> operations_;  // in the order they ran
};

}  // namespace corvane::bench
