// Reading the test vector tables in tests/unit/data: one case a line, fields split by a separator,
// bytes written as hex or with C escapes.
#pragma once

#include <string>
#include <vector>

namespace corvane::testing {

// "\n", "\r", "\t" and "\xNN" escapes; any other escaped character stands for itself.
std::string Unescape(const std::string& text);

// Hex digits (blanks between them allowed) to bytes.
std::string HexToBytes(const std::string& hex);

// The fields of a line; a trailing separator gives a last empty field. With `trim`, blanks
// around each field are dropped.
std::vector<std::string> SplitFields(const std::string& line, char separator, bool trim);

// The path of a file under tests/unit/data.
std::string VectorFilePath(const std::string& name);

}  // namespace corvane::testing
