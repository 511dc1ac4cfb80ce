#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/net_internal.h"

namespace platform::net {

Deadline DeadlineAfter(std::chrono::milliseconds timeout) {
  return Clock::now() + timeout;
}

const char* StatusName(Status status) {
  switch (status) {
    case Status::kOk:
      return "ok";
    case Status::kTimedOut:
      return "timed out";
    case Status::kClosed:
      return "closed by peer";
    case Status::kFailed:
      return "failed";
    case Status::kBadArgument:
      return "bad argument";
    case Status::kStopped:
      return "stopped";
  }
  return "unknown";
}

Socket::~Socket() {
  Close();
}

Socket::Socket(Socket&& other) noexcept : fd_(other.fd_), stop_(other.stop_) {
  other.fd_ = -1;
}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    stop_ = other.stop_;
    other.fd_ = -1;
  }
  return *this;
}

void Socket::Close() {
  if (fd_ >= 0) {
    // A close interrupted by a signal has still released the descriptor on
    // Linux: retrying could close a descriptor another thread just opened.
    ::close(fd_);
    fd_ = -1;
  }
}

namespace detail {

int RemainingMs(Deadline deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
}

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

bool ToSockaddr(const Endpoint& endpoint, sockaddr_storage& storage, socklen_t& length) {
  std::memset(&storage, 0, sizeof storage);
  if (!endpoint.ipv6) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(endpoint.port);
    if (endpoint.address.empty()) {
      v4->sin_addr.s_addr = htonl(INADDR_ANY);
    } else if (inet_pton(AF_INET, endpoint.address.c_str(), &v4->sin_addr) != 1) {
      return false;
    }
    length = sizeof(sockaddr_in);
    return true;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
  v6->sin6_family = AF_INET6;
  v6->sin6_port = htons(endpoint.port);
  if (!endpoint.address.empty() &&
      inet_pton(AF_INET6, endpoint.address.c_str(), &v6->sin6_addr) != 1)
    return false;
  length = sizeof(sockaddr_in6);
  return true;
}

Endpoint FromSockaddr(const sockaddr* address) {
  Endpoint endpoint;
  char text[INET6_ADDRSTRLEN] = {};
  if (address->sa_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    endpoint.port = ntohs(v4->sin_port);
  } else if (address->sa_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    endpoint.port = ntohs(v6->sin6_port);
    endpoint.ipv6 = true;
  }
  endpoint.address = text;
  return endpoint;
}

bool SetNonblocking(int fd) {
  int flags = ::fcntl(fd, F_GETFL, 0);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
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

Status WaitReadable(const Socket& socket, Deadline deadline, int* error) {
  if (!socket.valid()) return Status::kBadArgument;
  return detail::WaitFor(socket.fd(), POLLIN, deadline, error, socket.stop());
}

Status WaitWritable(const Socket& socket, Deadline deadline, int* error) {
  if (!socket.valid()) return Status::kBadArgument;
  return detail::WaitFor(socket.fd(), POLLOUT, deadline, error, socket.stop());
}

IoResult SendAll(const Socket& socket, const void* data, std::size_t size, Deadline deadline) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  IoResult total;
  while (total.bytes < size) {
    IoResult step = SendNow(socket, bytes + total.bytes, size - total.bytes);
    if (step.status == Status::kOk) {
      total.bytes += step.bytes;
      continue;
    }
    if (step.status != Status::kTimedOut) return {step.status, total.bytes, step.error};
    int error = 0;
    Status waited = WaitWritable(socket, deadline, &error);
    if (waited != Status::kOk) return {waited, total.bytes, error};
  }
  return total;
}

IoResult ReceiveSome(const Socket& socket, void* buffer, std::size_t capacity, Deadline deadline) {
  for (;;) {
    IoResult step = ReceiveNow(socket, buffer, capacity);
    if (step.status != Status::kTimedOut) return step;
    int error = 0;
    Status waited = WaitReadable(socket, deadline, &error);
    if (waited != Status::kOk) return {waited, 0, error};
  }
}

IoResult ReceiveExact(const Socket& socket, void* buffer, std::size_t size, Deadline deadline) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  IoResult total;
  while (total.bytes < size) {
    IoResult step = ReceiveSome(socket, bytes + total.bytes, size - total.bytes, deadline);
    if (!step.ok()) return {step.status, total.bytes, step.error};
    total.bytes += step.bytes;
  }
  return total;
}

Status ShutdownSend(const Socket& socket, int* error) {
  if (!socket.valid()) return Status::kBadArgument;
  if (::shutdown(socket.fd(), SHUT_WR) == 0) return Status::kOk;
  if (error) *error = errno;
  return Status::kFailed;
}

}  // namespace platform::net
