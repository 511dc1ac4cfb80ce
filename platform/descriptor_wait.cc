#include "platform/descriptor_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iterator>

namespace platform {

int PollAnyReadable(std::span<const int> fds, std::int64_t timeout_ms) {
  using std::chrono::steady_clock;
  const auto end = steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  pollfd entries[4];
  const std::size_t count = std::min(fds.size(), std::size(entries));
  for (std::size_t i = 0; i < count; ++i) entries[i] = pollfd{fds[i], POLLIN, 0};
  for (;;) {
    int wait_ms = -1;
    if (timeout_ms >= 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(end - steady_clock::now()).count();
      wait_ms = left <= 0 ? 0 : (left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left));
    }
    const int ready = ::poll(entries, count, wait_ms);
    if (ready >= 0) return ready > 0 ? 1 : 0;
    if (errno != EINTR) return -errno;
  }
}

int PollReadable(int fd, std::int64_t timeout_ms) {
  return PollAnyReadable({&fd, 1}, timeout_ms);
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
