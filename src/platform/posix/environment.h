// The environment variables the platform layer reads (CORVANE_HOME, CORVANE_UI, ...; the
// operation code reads none).
#pragma once

#include <string_view>

namespace corvane::platform {

// The variable's value; empty when it is unset. It views the environment as it stands: copy it
// before the environment may change.
std::string_view EnvironmentValue(const char* name);

}  // namespace corvane::platform
