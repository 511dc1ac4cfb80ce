#include "platform/service_notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {
namespace {

const char* NotifySocket() {
  const char* socket = std::getenv("NOTIFY_SOCKET");
  return socket != nullptr && *socket != '\0' ? socket : nullptr;
}

}  // namespace

void NotifyServiceManager(std::string_view state) {
  const char* path = NotifySocket();
  if (path == nullptr) return;
  // The notify protocol: one datagram to the socket the manager named; "@"
  // names an abstract socket.
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t length = std::strlen(path);
  if (length >= sizeof(address.sun_path)) return;
  std::memcpy(address.sun_path, path, length);
  if (address.sun_path[0] == '@') address.sun_path[0] = '\0';
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  // A lost status message is not worth stopping for: the manager notices the
  // missing READY or WATCHDOG by itself.
  (void)::sendto(fd, state.data(), state.size(), MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&address),
                 static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length));
  ::close(fd);
}

std::int64_t WatchdogPingIntervalMs() {
  if (NotifySocket() == nullptr) return 0;
  const char* usec_text = std::getenv("WATCHDOG_USEC");
  if (usec_text == nullptr) return 0;
  // A watchdog set for another process (WATCHDOG_PID) is not ours.
  if (const char* pid = std::getenv("WATCHDOG_PID");
      pid != nullptr && std::strtoll(pid, nullptr, 10) != static_cast<long long>(::getpid())) {
    return 0;
  }
  const std::uint64_t usec = std::strtoull(usec_text, nullptr, 10);
  if (usec == 0) return 0;
  const auto ms = static_cast<std::int64_t>(usec / 4000);
  return ms > 0 ? ms : 1;
}

}  // namespace platform
