#include "platform/posix/ui/ui_text.h"

#include <charconv>
#include <cstdint>
#include <cstdio>

#include "platform/posix/text/gbk.h"

namespace corvane::platform {
namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

}  // namespace

std::string ForDisplay(std::string_view gbk, DisplayEncoding encoding) {
  return encoding == DisplayEncoding::kGbk ? std::string(gbk) : text::GbkToUtf8(gbk);
}

std::string ForTerminal(std::string_view gbk, DisplayEncoding encoding) {
  // GBK trail bytes are 0x40-0xFE, so no control byte is ever part of a character.
  std::string shown = ForDisplay(gbk, encoding);
  for (char& c : shown) {
    if (IsControl(static_cast<unsigned char>(c))) c = ' ';
  }
  return shown;
}

std::string ForLogField(std::string_view gbk) {
  std::string field;
  for (char c : text::GbkToUtf8(gbk)) {
    switch (c) {
      case '\\': field += "\\\\"; break;
      case '\t': field += "\\t"; break;
      case '\n': field += "\\n"; break;
      case '\r': field += "\\r"; break;
      default:
        if (IsControl(static_cast<unsigned char>(c))) {
          char escaped[5];
          std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
          field += escaped;
        } else {
          field += c;
        }
    }
  }
  return field;
}

std::string_view TrimBlanks(std::string_view answer) {
  const size_t first = answer.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return answer.substr(first, answer.find_last_not_of(" \t") - first + 1);
}

std::optional<size_t> ParseLineNumber(std::string_view text) {
  size_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || end != text.data() + text.size()) return std::nullopt;
  return error == std::errc() ? number : SIZE_MAX;
}

}  // namespace corvane::platform
