#pragma once
// Status messages to the service manager (systemd's notify protocol). Every
// call does nothing unless the process was started with NOTIFY_SOCKET, so the
// agent behaves the same under a terminal, a test or a service.

#include <cstdint>
#include <string_view>

namespace platform {

// Sends one state line such as "READY=1", "WATCHDOG=1" or "STOPPING=1".
void NotifyServiceManager(std::string_view state);

// How often the main loop must send "WATCHDOG=1": a quarter of the watchdog
// interval the manager set (WATCHDOG_USEC), so a late wake-up still beats the
// half-interval deadline. 0 when no watchdog is asked for.
std::int64_t WatchdogPingIntervalMs();

}  // namespace platform
