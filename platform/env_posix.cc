#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/env.h"
#include "platform/env_internal.h"

namespace platform {

bool LocalBreakDown(std::time_t t, std::tm& out) {
  return localtime_r(&t, &out) != nullptr;
}

bool UtcBreakDown(std::time_t t, std::tm& out) {
  return gmtime_r(&t, &out) != nullptr;
}

void SystemSleepMs(std::int64_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

StopFlag::StopFlag() : wake_fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopFlag::~StopFlag() {
  if (wake_fd_ >= 0) ::close(wake_fd_);
}

void StopFlag::Set() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (set_.exchange(true, std::memory_order_acq_rel)) return;
  }
  changed_.notify_all();
  // Never read back: the counter stays non-zero, so the descriptor stays readable.
  const std::uint64_t one = 1;
  if (wake_fd_ >= 0) {
    ssize_t written = ::write(wake_fd_, &one, sizeof one);
    (void)written;  // an eventfd write of 1 only fails on overflow, never reached here
  }
}

bool WaitForEither(const StopFlag& flag, const StopFlag& stop, std::int64_t ms) {
  using std::chrono::steady_clock;
  const auto deadline = steady_clock::now() + std::chrono::milliseconds(ms > 0 ? ms : 0);
  while (!flag.IsSet() && !stop.IsSet()) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0) break;
    pollfd entries[2] = {{flag.wake_fd(), POLLIN, 0}, {stop.wake_fd(), POLLIN, 0}};
    const int wait = left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
    if (::poll(entries, 2, wait) < 0 && errno != EINTR) break;
  }
  return flag.IsSet();
}

}  // namespace platform
