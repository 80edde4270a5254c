#include "platform/posix/environment.h"

#include <cstdlib>

namespace corvane::platform {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace corvane::platform
