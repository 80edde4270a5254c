// `corvane decrypt` and `corvane sign`: the library's exports on files and standard streams.
#pragma once

#include <string>
#include <vector>

namespace corvane::tool {

int RunDecryptCommand(const std::vector<std::string>& args);
int RunSignCommand(const std::vector<std::string>& args);

}  // namespace corvane::tool
