#include "platform/posix/failure_detail.h"

#include <utility>

namespace corvane::platform {
namespace {
thread_local std::string failure_detail;
}

void SetFailureDetail(std::string detail) { failure_detail = std::move(detail); }

std::string TakeFailureDetail() { return std::exchange(failure_detail, std::string()); }

}  // namespace corvane::platform
