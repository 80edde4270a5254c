// A line typed on a terminal without being shown: the one reader behind the PIN dialog of the
// terminal front end and the password prompt of the command-line tool.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/posix/secret_bytes.h"

namespace corvane::platform {

// Writes all of `text` to the terminal `fd`, going on after interruptions; stops at an error.
void WriteToTerminal(int fd, std::string_view text);

// Shows `prompt` on the terminal `fd`, then reads one line with echo off into wiped memory. Echo
// goes off before the prompt is shown and nothing typed ahead is discarded, so a secret typed as
// soon as the prompt appears is neither echoed nor lost; the terminal's modes come back after,
// also when reading fails, followed by a line break. nullopt at end of input or on a read error
// before the line ends, and for a line longer than `max_length`. An empty line is empty bytes.
std::optional<SecretBytes> ReadHiddenLine(int fd, std::string_view prompt, size_t max_length);

}  // namespace corvane::platform
