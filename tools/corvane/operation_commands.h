// `corvane decrypt`, `corvane sign` and `corvane encrypt`: the library's exports on files and
// standard streams.
#pragma once

#include <string>
#include <vector>

namespace corvane::tool {

int RunDecryptCommand(const std::vector<std::string>& args);
int RunSignCommand(const std::vector<std::string>& args);
int RunEncryptCommand(const std::vector<std::string>& args);

}  // namespace corvane::tool
