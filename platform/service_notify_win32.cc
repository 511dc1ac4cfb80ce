#include "platform/service_notify.h"

namespace platform {

// Windows' service manager is told through the service's own control
// functions, not through messages: nothing to send here.
void NotifyServiceManager(std::string_view) {}

std::int64_t WatchdogPingIntervalMs() {
  return 0;
}

}  // namespace platform
