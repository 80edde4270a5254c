// The password of an encrypted import file (PKCS #12, encrypted key), from where the user put it:
// --password-file FILE (its first line), --password-env VAR, or --password PW, which every user
// of the machine can read in the process list and which therefore draws a warning. With none of
// them, the password is asked for on the terminal, without echo, when a file needs one.
#pragma once

#include <optional>
#include <string>

#include "command_line.h"

namespace corvane::tool {

// The option names, for Options.
inline constexpr const char* kPasswordOptions[] = {"password", "password-file", "password-env"};

// The password the options give; false with a message printed when an option cannot be used
// (two given, an unreadable file, an unset variable). `password` stays empty when none is given.
bool PasswordFromOptions(const Options& options, std::optional<std::string>& password);

// Asks on /dev/tty without echo; nothing when there is no terminal to ask on.
std::optional<std::string> AskPassword(const std::string& file);

}  // namespace corvane::tool
