// Collects the figures of a benchmark run (the medians when repeated) and writes BENCHMARKS.md:
// the method, then one table per group, each of our figures beside its peers'.
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
    double peak_per_data = 0;
  };
  using Parties = std::map<std::string, std::map<long long, Figure>>;  // party, then argument

  void WriteCodecTable(std::ostream& out, const Parties& parties) const;
  void WriteOperationTable(std::ostream& out, const Parties& parties) const;
  void WriteStoreSizeTable(std::ostream& out, const Parties& parties) const;
  void WriteJavaBindingTable(std::ostream& out, const Parties& parties) const;
  void WritePeakMemoryTable(std::ostream& out, const Parties& parties) const;
  void WriteStoreOpenTable(std::ostream& out, const Parties& parties) const;

  // Keyed by group ("verify", "store_verify"), then party ("ours"), then argument.
  std::map<std::string, Parties> figures_;
  std::vector<std::string> groups_;  // in the order they ran
};

}  // namespace corvane::bench
