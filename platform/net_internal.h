// Helpers shared by the socket sources: address conversion and poll waits.
#pragma once

#include <sys/socket.h>

#include "platform/net.h"

namespace platform::net::detail {

// Milliseconds left until the deadline, for poll (0 when it has passed).
int RemainingMs(Deadline deadline);

// Polls for `events` until the deadline, restarting after EINTR; stopped as
// soon as `stop` (may be null) is set.
Status WaitFor(int fd, short events, Deadline deadline, int* error, const StopFlag* stop);

// Numeric address and port into a socket address; false when unusable.
bool ToSockaddr(const Endpoint& endpoint, sockaddr_storage& storage, socklen_t& length);
Endpoint FromSockaddr(const sockaddr* address);

bool SetNonblocking(int fd);

}  // namespace platform::net::detail
