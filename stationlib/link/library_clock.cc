#include "stationlib/link/library_clock.h"

#include <atomic>
#include <chrono>

namespace orbisk::link {
namespace {

namespace net = platform::net;

std::atomic<platform::Env*> replacement{nullptr};

}  // namespace

platform::Env& LibraryClock() {
  platform::Env* clock = replacement.load(std::memory_order_acquire);
  return clock != nullptr ? *clock : platform::Env::Default();
}

void ReplaceLibraryClock(platform::Env* clock) {
  replacement.store(clock, std::memory_order_release);
}

net::IoResult ReceiveWithin(const net::Socket& socket, void* buffer, std::size_t capacity,
                            std::int64_t wait_ms) {
  platform::Env& clock = LibraryClock();
  const std::int64_t deadline = clock.MonotonicMs() + wait_ms;
  for (;;) {
    const net::IoResult step = net::ReceiveNow(socket, buffer, capacity);
    if (step.status != net::Status::kTimedOut) return step;
    const std::int64_t left = deadline - clock.MonotonicMs();
    if (left <= 0) return step;
    // A time-out of the wait ends the receive even when the clock did not
    // move (a clock that only moves when told).
    const int ready = clock.WaitReadable(socket.fd(), left);
    if (ready == 0) return step;
    if (ready < 0) return {net::Status::kFailed, 0, -ready};
  }
}

net::IoResult SendWithin(const net::Socket& socket, const void* data, std::size_t size,
                         std::int64_t wait_ms) {
  platform::Env& clock = LibraryClock();
  const std::int64_t deadline = clock.MonotonicMs() + wait_ms;
  const auto* bytes = static_cast<const unsigned char*>(data);
  net::IoResult total;
  while (total.bytes < size) {
    const net::IoResult step = net::SendNow(socket, bytes + total.bytes, size - total.bytes);
    if (step.status == net::Status::kOk) {
      total.bytes += step.bytes;
      continue;
    }
    const std::int64_t left = deadline - clock.MonotonicMs();
    if (step.status != net::Status::kTimedOut || left <= 0)
      return {step.status, total.bytes, step.error};
    // A full buffer on a link means a peer that stopped reading: a real wait,
    // bounded by what is left on the clock.
    int error = 0;
    const net::Status waited =
        net::WaitWritable(socket, net::DeadlineAfter(std::chrono::milliseconds(left)), &error);
    if (waited != net::Status::kOk) return {waited, total.bytes, error};
  }
  return total;
}

}  // namespace orbisk::link
