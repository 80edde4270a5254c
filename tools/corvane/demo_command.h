// `corvane demo`: a throw-away demo PKI in a temporary store root and a round trip through the
// library's operations with scripted choices, checked against the openssl command.
#pragma once

#include <string>
#include <vector>

namespace corvane::tool {

int RunDemoCommand(const std::vector<std::string>& args);

}  // namespace corvane::tool
