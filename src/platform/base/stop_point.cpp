#include "platform/base/stop_point.h"

#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>

namespace q9::platform {
namespace {

// Read once: the variable belongs to the process's start.
const std::optional<std::string>& Wanted() {
  static const std::optional<std::string> wanted = []() -> std::optional<std::string> {
    const char* value = std::getenv(StopPoint::kVariable);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return value;
  }();
  return wanted;
}

}  // namespace

bool StopPoint::Armed() {
  return Wanted().has_value();
}

void StopPoint::Reach(std::string_view point) {
  // Once per process: files converted at once reach the same point each.
  static std::atomic<bool> reached{false};
  if (const std::optional<std::string>& wanted = Wanted();
      wanted && *wanted == point && !reached.exchange(true))
    ::raise(SIGSTOP);
}

}  // namespace q9::platform
