// Waits for a descriptor (socket, serial port, pseudo-terminal) to be
// readable in real time, for the clocks that wait on descriptors.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace platform {

// Waits up to `timeout_ms` of real time (negative: without end) until `fd`
// can be read or has hung up or failed: 1 then, 0 at the time-out, -errno on
// failure. Restarted after EINTR with the time that is left.
int PollReadable(int fd, std::int64_t timeout_ms);
// The same for any of `fds` (at most four).
int PollAnyReadable(std::span<const int> fds, std::int64_t timeout_ms);

// Whether any of `fds` can be read (or has hung up) now; no wait.
bool AnyReadable(const std::vector<int>& fds);

}  // namespace platform
