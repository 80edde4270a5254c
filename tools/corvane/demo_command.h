// `corvane demo`: a throw-away demo PKI in a temporary store root and a round trip through the
// library's operations with scripted choices, checked against the openssl command; given
// corvane.jar (--jar), it ends with the Java self-test in a JVM of its own.
#pragma once

#include <string>
#include <vector>

namespace corvane::tool {

int RunDemoCommand(const std::vector<std::string>& args);

}  // namespace corvane::tool
