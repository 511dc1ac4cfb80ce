#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/net_internal.h"

namespace platform::net {

void Socket::Close() {
  if (fd_ >= 0) {
    // A close interrupted by a signal has still released the descriptor on
    // Linux: retrying could close a descriptor another thread just opened.
    ::close(fd_);
    fd_ = -1;
  }
}

namespace detail {

Status WaitFor(int fd, short events, Deadline deadline, int* error, const StopFlag* stop) {
  for (;;) {
    if (stop && stop->IsSet()) return Status::kStopped;
    pollfd entries[2] = {{fd, events, 0}, {stop ? stop->wake_fd() : -1, POLLIN, 0}};
    int ready = ::poll(entries, 2, RemainingMs(deadline));
    if (entries[1].revents != 0) return Status::kStopped;
    if (ready > 0) return Status::kOk;  // errors and hang-ups show on the next call
    if (ready == 0) return Status::kTimedOut;
    if (errno == EINTR) continue;
    if (error) *error = errno;
    return Status::kFailed;
  }
}

// POSIX sockets need no start.
void StartSockets() {}

int LastError() {
  return errno;
}

int OpenSocket(int family, int type, int protocol) {
  return ::socket(family, type | SOCK_CLOEXEC | SOCK_NONBLOCK, protocol);
}

bool SetFlag(int fd, int level, int option) {
  int one = 1;
  return ::setsockopt(fd, level, option, &one, sizeof one) == 0;
}

}  // namespace detail

IoResult SendNow(const Socket& socket, const void* data, std::size_t size) {
  if (!socket.valid()) return {Status::kBadArgument, 0, EBADF};
  for (;;) {
    ssize_t sent = ::send(socket.fd(), data, size, MSG_NOSIGNAL);
    if (sent >= 0) return {Status::kOk, static_cast<std::size_t>(sent), 0};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {Status::kTimedOut, 0, 0};
    return {Status::kFailed, 0, errno};
  }
}

IoResult ReceiveNow(const Socket& socket, void* buffer, std::size_t capacity) {
  if (!socket.valid()) return {Status::kBadArgument, 0, EBADF};
  for (;;) {
    ssize_t got = ::recv(socket.fd(), buffer, capacity, 0);
    if (got > 0) return {Status::kOk, static_cast<std::size_t>(got), 0};
    if (got == 0) return {capacity == 0 ? Status::kOk : Status::kClosed, 0, 0};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {Status::kTimedOut, 0, 0};
    return {Status::kFailed, 0, errno};
  }
}

Status ShutdownSend(const Socket& socket, int* error) {
  if (!socket.valid()) return Status::kBadArgument;
  if (::shutdown(socket.fd(), SHUT_WR) == 0) return Status::kOk;
  if (error) *error = errno;
  return Status::kFailed;
}

}  // namespace platform::net
