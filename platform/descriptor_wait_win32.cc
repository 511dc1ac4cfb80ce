// Waits on Winsock sockets with select: a socket counts as ready when it can
// be read or has an exception (a failed connect, urgent data) pending.
#include <algorithm>
#include <chrono>

#include "platform/descriptor_wait.h"
#include "platform/net_internal.h"

namespace platform {
namespace {

struct Sets {
  fd_set readable;
  fd_set failed;
  unsigned count = 0;
};

// The sockets of `fds` (-1 entries left out), at most `limit` of them.
Sets SetsOf(std::span<const int> fds, std::size_t limit) {
  Sets sets;
  FD_ZERO(&sets.readable);
  FD_ZERO(&sets.failed);
  for (int fd : fds) {
    if (fd < 0) continue;
    if (sets.count == limit) break;
    FD_SET(static_cast<SOCKET>(fd), &sets.readable);
    FD_SET(static_cast<SOCKET>(fd), &sets.failed);
    ++sets.count;
  }
  return sets;
}

// One select of `sets` waiting up to `wait_ms` (negative: without end): 1, 0
// or -errno.
int SelectReadable(Sets& sets, std::int64_t wait_ms) {
  timeval timeout{static_cast<long>(wait_ms / 1000), static_cast<long>(wait_ms % 1000) * 1000};
  const int ready =
      ::select(0, &sets.readable, nullptr, &sets.failed, wait_ms < 0 ? nullptr : &timeout);
  if (ready < 0) return -net::detail::LastError();
  return ready > 0 ? 1 : 0;
}

}  // namespace

int PollAnyReadable(std::span<const int> fds, std::int64_t timeout_ms) {
  using std::chrono::steady_clock;
  Sets sets = SetsOf(fds, 4);
  // select refuses an empty set; with nothing to watch, only the time passes,
  // as poll does with no descriptor.
  if (sets.count == 0) {
    ::Sleep(timeout_ms < 0 ? INFINITE
                           : static_cast<DWORD>(std::min<std::int64_t>(timeout_ms, 0x7ffffffe)));
    return 0;
  }
  if (timeout_ms < 0) return SelectReadable(sets, -1);
  const auto end = steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(end - steady_clock::now()).count();
    Sets round = sets;
    const int ready = SelectReadable(round, left < 0 ? 0 : left);
    // select may wake a little before its time: wait out the rest.
    if (ready != 0 || steady_clock::now() >= end) return ready;
  }
}

int PollReadable(int fd, std::int64_t timeout_ms) {
  return PollAnyReadable({&fd, 1}, timeout_ms);
}

bool AnyReadable(const std::vector<int>& fds) {
  Sets sets = SetsOf(fds, FD_SETSIZE);
  return sets.count > 0 && SelectReadable(sets, 0) > 0;
}

}  // namespace platform
