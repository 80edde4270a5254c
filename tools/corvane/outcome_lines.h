// How the operation commands tell their outcome: by default the library's message boxes are left
// to the tool, which says the outcome once, as a line on standard error (a terminal does not stop
// for Enter after every call, a desktop shows no box); with --boxes the library shows its boxes
// and the tool adds only what they do not say.
#pragma once

#include <cstdint>
#include <string>

#include "command_line.h"

namespace corvane::tool {

class OutcomeLines {
 public:
  // Reads --boxes and sets the library's boxes accordingly for the rest of the process.
  explicit OutcomeLines(const Options& options);

  // The library's success text (GBK), unless its box said it.
  void Succeeded(const std::string& text_gbk) const;
  // The result code's text, unless its box said it, then each non-empty reason (English);
  // returns the exit status 1.
  int Failed(int32_t code, const std::string& detail, const std::string& reason = "") const;

 private:
  bool boxes_;
};

// "corvane: " and a GBK text in the terminal's encoding, on standard error.
void PrintGbk(const std::string& text_gbk);

}  // namespace corvane::tool
