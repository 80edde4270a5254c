// Runs every benchmark and writes the Markdown tables to the file named by --markdown=PATH.
// --store-sizes=10,1000 limits the store-size rows (all three by default); "--child ..." is this
// program started again for a figure only a fresh process gives (fresh_process.h).
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "fresh_process.h"
#include "markdown_report.h"
#include "store_bench.h"

namespace {

std::vector<int64_t> SizesOf(const char* list) {
  std::vector<int64_t> sizes;
  std::istringstream in(list);
  for (std::string size; std::getline(in, size, ',');) sizes.push_back(std::stoll(size));
  return sizes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
    return corvane::bench::RunChild(std::vector<std::string>(argv + 2, argv + argc));
  }
  const char* markdown_path = nullptr;
  std::vector<int64_t> store_sizes{10, 1000, 10000};
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--markdown=", 11) == 0) markdown_path = argv[i] + 11;
    else if (std::strncmp(argv[i], "--store-sizes=", 14) == 0) store_sizes = SizesOf(argv[i] + 14);
    else argv[kept++] = argv[i];
  }
  argc = kept;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  corvane::bench::RegisterStoreBenchmarks(store_sizes);
  corvane::bench::MarkdownReport report;
  benchmark::RunSpecifiedBenchmarks(&report);
  benchmark::Shutdown();
  if (markdown_path != nullptr) {
    std::ofstream(markdown_path) << report.Markdown();
    std::cout << "wrote " << markdown_path << "\n";
  }
  return 0;
}
