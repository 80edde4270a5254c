#include "platform/posix/files/cache_setting.h"

#include "platform/posix/environment.h"

namespace corvane::platform {

bool StoreCachingEnabled() { return EnvironmentValue("CORVANE_CACHE") != "off"; }

}  // namespace corvane::platform
