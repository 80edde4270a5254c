// Runs every benchmark and writes the Markdown tables to the file named by --markdown=PATH.
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iostream>

#include "markdown_report.h"
#include "store_bench.h"

int main(int argc, char** argv) {
  const char* markdown_path = nullptr;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--markdown=", 11) == 0) markdown_path = argv[i] + 11;
    else argv[kept++] = argv[i];
  }
  argc = kept;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  corvane::bench::RegisterStoreBenchmarks();
  corvane::bench::MarkdownReport report;
  benchmark::RunSpecifiedBenchmarks(&report);
  benchmark::Shutdown();
  if (markdown_path != nullptr) {
    std::ofstream(markdown_path) << report.Markdown();
    std::cout << "wrote " << markdown_path << "\n";
  }
  return 0;
}
