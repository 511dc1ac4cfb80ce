#include "platform/service_notify.h"

#include <systemd/sd-daemon.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace platform {
namespace {

bool ManagerListens() {
  const char* socket = std::getenv("NOTIFY_SOCKET");
  return socket != nullptr && *socket != '\0';
}

}  // namespace

void NotifyServiceManager(std::string_view state) {
  if (!ManagerListens()) return;
  // A lost status message is not worth stopping for: the manager notices the
  // missing READY or WATCHDOG by itself.
  (void)sd_notify(0, std::string(state).c_str());
}

std::int64_t WatchdogPingIntervalMs() {
  if (!ManagerListens()) return 0;
  std::uint64_t usec = 0;
  if (sd_watchdog_enabled(0, &usec) <= 0 || usec == 0) return 0;
  const auto ms = static_cast<std::int64_t>(usec / 4000);
  return ms > 0 ? ms : 1;
}

}  // namespace platform
