// Calling an export the way every caller must (size query, then the real call into a buffer of
// that capacity), and checking that failures leave the caller's output untouched.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace corvane::testing {

// Output of one export call: its result, the output length, and the bytes written.
struct ExportResult {
  int32_t code = 0;
  int32_t length = 0;
  std::string output;
  bool untouched = false;  // failure left buffer and length exactly as they were
};

// `call(buffer, &length)` is the export with its inputs bound. The buffer is filled with a guard
// pattern one byte larger than the size query's answer; on success the bytes past the reported
// length must still be guard bytes (checked with gtest expectations).
ExportResult CallExport(const std::function<int32_t(char*, int32_t*)>& call);

// The bytes of an export's Base64 text (a message's DER); a text the codec refuses fails the test.
std::string DecodedText(const std::string& text);

}  // namespace corvane::testing
