// The environment variables the platform layer reads (CORVANE_HOME, CORVANE_UI, ...; the
// operation code reads none).
#pragma once

#include <string>

namespace corvane::platform {

// The variable's value; empty when it is unset.
std::string EnvironmentValue(const char* name);

}  // namespace corvane::platform
