#include "markdown_report.h"

#include <openssl/crypto.h>
#include <sys/utsname.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace corvane::bench {
namespace {

std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  }
  return "unknown CPU";
}

// The load averages (1, 5, 15 minutes) when the report is written: how busy the machine was.
std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + ", " + five + ", " + fifteen;
}

std::string Format(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string SizeText(const std::string& bytes) {
  const long long size = std::stoll(bytes);
  if (size >= (1 << 20)) return std::to_string(size >> 20) + " MiB";
  return std::to_string(size >> 10) + " KiB";
}

// Our figure over the peer's, or a dash when the peer did not run.
std::string Ratio(double ours, double peer) {
  return peer > 0 ? Format("%.2f×", ours / peer) : "–";
}

}  // namespace

void MarkdownReport::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.error_occurred) continue;
    if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
    if (run.run_type == Run::RT_Iteration && run.repetitions > 1) continue;
    const std::string& name = run.run_name.function_name;
    const auto slash = name.find('/');
    const std::string operation = name.substr(0, slash);
    const std::string party = slash == std::string::npos ? "ours" : name.substr(slash + 1);
    const std::string argument = run.run_name.args;
    if (figures_.find(operation) == figures_.end()) operations_.push_back(operation);
    Figure& figure = figures_[operation][party][argument];
    const bool manual = run.run_name.time_type.find("manual_time") != std::string::npos;
    figure.time = manual ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
    const auto rate = run.counters.find("bytes_per_second");
    if (rate != run.counters.end()) figure.bytes_per_second = rate->second.value;
    const auto enumerated = run.counters.find("enumerated");
    if (enumerated != run.counters.end()) figure.enumerated = enumerated->second.value;
  }
  ConsoleReporter::ReportRuns(runs);
}

std::string MarkdownReport::Markdown() const {
  std::ostringstream out;
  utsname system{};
  uname(&system);
  const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  out << "# Benchmarks\n\n"
      << "Written by `./dev bench` (bench/). Date: " << date << ". Machine: " << CpuModel() << ", "
      << std::thread::hardware_concurrency() << " logical CPUs, " << system.sysname << " "
      << system.release << " " << system.machine << ". " << OpenSSL_version(OPENSSL_VERSION)
      << ".\n\n"
      << "Times are the median of the repetitions, in process CPU time per call (for the "
         "`openssl cms` command, the CPU time of the command's processes), so that other work on "
         "a shared machine disturbs them less; still, treat differences under about 10% as noise. "
         "Ratios are ours over the peer's: below 1 is faster than the peer. Load average when "
         "the run ended: "
      << LoadAverage() << ".\n";

  for (const std::string& operation : operations_) {
    const auto& parties = figures_.at(operation);
    const bool codec = operation.rfind("base64", 0) == 0;
    const bool store = operation.rfind("store", 0) == 0;
    out << "\n## " << operation << "\n\n";
    if (store) {
      // The number of certificates a search went through, where it was counted: the position of
      // the certificate sought changes from run to run, and the cost with it.
      const bool counted = parties.at("ours").begin()->second.enumerated > 0;
      const bool one_folder = operation.find("_files") != std::string::npos;
      out << (one_folder ? "| certificate files in the store's folder | µs per call |"
                         : "| certificates added to each of MY, CA, ROOT | µs per call |")
          << (counted ? " certificates gone through | ns per certificate |\n|---:|---:|---:|---:|\n"
                      : "\n|---:|---:|\n");
      for (const auto& [argument, figure] : parties.at("ours")) {
        out << "| " << argument << " | " << Format("%.1f", figure.time) << " |";
        if (counted) {
          out << " " << Format("%.0f", figure.enumerated) << " | "
              << Format("%.0f", figure.time * 1000 / figure.enumerated) << " |";
        }
        out << "\n";
      }
      continue;
    }
    const auto peer = [&](const char* party, const std::string& argument) {
      const auto found = parties.find(party);
      if (found == parties.end() || found->second.count(argument) == 0) return Figure{};
      return found->second.at(argument);
    };
    if (codec) {
      out << "| size | ours GB/s | OpenSSL EVP block function GB/s | ours / OpenSSL |\n"
             "|---:|---:|---:|---:|\n";
    } else {
      out << "| size | ours µs | OpenSSL API µs | ours / API | `openssl cms` µs | ours / cms |\n"
             "|---:|---:|---:|---:|---:|---:|\n";
    }
    // Sizes in increasing order (the map orders their texts, not their values).
    std::map<long long, std::string> sizes;
    for (const auto& [argument, figure] : parties.at("ours")) {
      sizes[std::stoll(argument)] = argument;
    }
    for (const auto& [size, argument] : sizes) {
      const Figure ours = parties.at("ours").at(argument);
      const Figure api = peer("openssl_api", argument);
      if (codec) {
        out << "| " << SizeText(argument) << " | " << Format("%.2f", ours.bytes_per_second / 1e9)
            << " | " << Format("%.2f", api.bytes_per_second / 1e9) << " | "
            << Ratio(ours.bytes_per_second, api.bytes_per_second) << " |\n";
        continue;
      }
      const Figure cms = peer("openssl_cms", argument);
      out << "| " << SizeText(argument) << " | " << Format("%.0f", ours.time) << " | "
          << Format("%.0f", api.time) << " | " << Ratio(ours.time, api.time) << " | "
          << Format("%.0f", cms.time) << " | " << Ratio(ours.time, cms.time) << " |\n";
    }
  }
  return out.str();
}

}  // namespace corvane::bench
