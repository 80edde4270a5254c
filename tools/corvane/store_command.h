// `corvane store ...`: list, import, export and remove certificates and keys, add CRLs.
#pragma once

#include <string>
#include <vector>

namespace corvane::tool {

// `args` are the arguments after "store". Returns the exit status.
int RunStoreCommand(const std::vector<std::string>& args);

}  // namespace corvane::tool
