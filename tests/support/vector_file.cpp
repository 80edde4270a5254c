#include "support/vector_file.h"

#include <sstream>

namespace corvane::testing {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

}  // namespace

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char kind = text[++i];
    if (kind == 'n') out += '\n';
    else if (kind == 'r') out += '\r';
    else if (kind == 't') out += '\t';
    else if (kind == 'x' && i + 2 < text.size()) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else out += kind;
  }
  return out;
}

std::string HexToBytes(const std::string& hex) {
  std::string digits;
  for (char c : hex) {
    if (c != ' ') digits += c;
  }
  std::string bytes;
  for (size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes += static_cast<char>(HexValue(digits[i]) * 16 + HexValue(digits[i + 1]));
  }
  return bytes;
}

std::vector<std::string> SplitFields(const std::string& line, char separator, bool trim) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  for (std::string field; std::getline(in, field, separator);) {
    if (trim) {
      field.erase(0, field.find_first_not_of(' '));
      field.erase(field.find_last_not_of(' ') + 1);
    }
    fields.push_back(field);
  }
  if (!line.empty() && line.back() == separator) fields.emplace_back();
  return fields;
}

std::string VectorFilePath(const std::string& name) {
  return std::string(CORVANE_SOURCE_DIR) + "/tests/unit/data/" + name;
}

}  // namespace corvane::testing
