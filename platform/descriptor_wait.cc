#include "platform/descriptor_wait.h"

#include <poll.h>

#include <cerrno>
#include <chrono>

namespace platform {

int PollReadable(int fd, std::int64_t timeout_ms) {
  using std::chrono::steady_clock;
  const auto end = steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int wait_ms = -1;
    if (timeout_ms >= 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(end - steady_clock::now()).count();
      wait_ms = left <= 0 ? 0 : (left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left));
    }
    pollfd entry{fd, POLLIN, 0};
    const int ready = ::poll(&entry, 1, wait_ms);
    if (ready >= 0) return ready > 0 ? 1 : 0;
    if (errno != EINTR) return -errno;
  }
}

bool AnyReadable(const std::vector<int>& fds) {
  std::vector<pollfd> entries;
  entries.reserve(fds.size());
  for (int fd : fds) entries.push_back(pollfd{fd, POLLIN, 0});
  int ready;
  do {
    ready = ::poll(entries.data(), entries.size(), 0);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

}  // namespace platform
