// A result code as text for people: the library's texts of the code, in UTF-8.
#pragma once

#include <string>

namespace corvane::tool {

// The texts of a result code (UTF-8; a code that two steps raise shows both) and the code, for
// messages on the terminal and answers to the browser.
std::string ResultCodeText(int code);

}  // namespace corvane::tool
