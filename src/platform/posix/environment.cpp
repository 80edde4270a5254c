#include "platform/posix/environment.h"

#include <cstdlib>

namespace corvane::platform {

std::string_view EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

}  // namespace corvane::platform
