// GBK texts made ready for the places the UI front ends show or record them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/ui/ui_settings.h"

namespace corvane::platform {

// The text in the given display encoding (GBK is passed through unchanged).
std::string ForDisplay(std::string_view gbk, DisplayEncoding encoding);

// As ForDisplay, with every control character (C0 and DEL: line ends and tabs included) shown as
// a blank, so that a name cannot move a terminal's cursor or send it escape sequences, and a
// text always stays on its line.
std::string ForTerminal(std::string_view gbk, DisplayEncoding encoding);

// One field of a UI log line: UTF-8, with backslash, tab, line feed and carriage return written
// as \\, \t, \n and \r and every other control character as \xHH, so that a line of the log is
// always one box or chooser and its fields split at tabs.
std::string ForLogField(std::string_view gbk);

// A typed answer without the blanks and tabs around it.
std::string_view TrimBlanks(std::string_view answer);

// A line number written as decimal digits only (no sign); nullopt when the text is not one, and
// SIZE_MAX when it is too large for size_t.
std::optional<size_t> ParseLineNumber(std::string_view text);

}  // namespace corvane::platform
