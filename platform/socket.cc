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

Deadline deadline_after(std::chrono::milliseconds timeout) { return Clock::now() + timeout; }

const char* status_name(Status status) {
  switch (status) {
    case Status::ok: return "ok";
    case Status::timed_out: return "timed out";
    case Status::closed: return "closed by peer";
    case Status::failed: return "failed";
    case Status::bad_argument: return "bad argument";
  }
  return "unknown";
}

Socket::~Socket() { close(); }

Socket::Socket(Socket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void Socket::close() {
  if (fd_ >= 0) {
    // A close interrupted by a signal has still released the descriptor on
    // Linux: retrying could close a descriptor another thread just opened.
    ::close(fd_);
    fd_ = -1;
  }
}

namespace detail {

int remaining_ms(Deadline deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
}

Status wait_for(int fd, short events, Deadline deadline, int* error) {
  for (;;) {
    pollfd entry{fd, events, 0};
    int ready = ::poll(&entry, 1, remaining_ms(deadline));
    if (ready > 0) return Status::ok;  // errors and hang-ups show on the next call
    if (ready == 0) return Status::timed_out;
    if (errno == EINTR) continue;
    if (error) *error = errno;
    return Status::failed;
  }
}

bool to_sockaddr(const Endpoint& endpoint, sockaddr_storage& storage, socklen_t& length) {
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
  if (!endpoint.address.empty() && inet_pton(AF_INET6, endpoint.address.c_str(), &v6->sin6_addr) != 1)
    return false;
  length = sizeof(sockaddr_in6);
  return true;
}

Endpoint from_sockaddr(const sockaddr* address) {
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

bool set_nonblocking(int fd) {
  int flags = ::fcntl(fd, F_GETFL, 0);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace detail

IoResult send_now(const Socket& socket, const void* data, std::size_t size) {
  if (!socket.valid()) return {Status::bad_argument, 0, EBADF};
  for (;;) {
    ssize_t sent = ::send(socket.fd(), data, size, MSG_NOSIGNAL);
    if (sent >= 0) return {Status::ok, static_cast<std::size_t>(sent), 0};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {Status::timed_out, 0, 0};
    return {Status::failed, 0, errno};
  }
}

IoResult receive_now(const Socket& socket, void* buffer, std::size_t capacity) {
  if (!socket.valid()) return {Status::bad_argument, 0, EBADF};
  for (;;) {
    ssize_t got = ::recv(socket.fd(), buffer, capacity, 0);
    if (got > 0) return {Status::ok, static_cast<std::size_t>(got), 0};
    if (got == 0) return {capacity == 0 ? Status::ok : Status::closed, 0, 0};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {Status::timed_out, 0, 0};
    return {Status::failed, 0, errno};
  }
}

Status wait_readable(const Socket& socket, Deadline deadline, int* error) {
  if (!socket.valid()) return Status::bad_argument;
  return detail::wait_for(socket.fd(), POLLIN, deadline, error);
}

Status wait_writable(const Socket& socket, Deadline deadline, int* error) {
  if (!socket.valid()) return Status::bad_argument;
  return detail::wait_for(socket.fd(), POLLOUT, deadline, error);
}

IoResult send_all(const Socket& socket, const void* data, std::size_t size, Deadline deadline) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  IoResult total;
  while (total.bytes < size) {
    IoResult step = send_now(socket, bytes + total.bytes, size - total.bytes);
    if (step.status == Status::ok) {
      total.bytes += step.bytes;
      continue;
    }
    if (step.status != Status::timed_out) return {step.status, total.bytes, step.error};
    int error = 0;
    Status waited = wait_writable(socket, deadline, &error);
    if (waited != Status::ok) return {waited, total.bytes, error};
  }
  return total;
}

IoResult receive_some(const Socket& socket, void* buffer, std::size_t capacity, Deadline deadline) {
  for (;;) {
    IoResult step = receive_now(socket, buffer, capacity);
    if (step.status != Status::timed_out) return step;
    int error = 0;
    Status waited = wait_readable(socket, deadline, &error);
    if (waited != Status::ok) return {waited, 0, error};
  }
}

IoResult receive_exact(const Socket& socket, void* buffer, std::size_t size, Deadline deadline) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  IoResult total;
  while (total.bytes < size) {
    IoResult step = receive_some(socket, bytes + total.bytes, size - total.bytes, deadline);
    if (!step.ok()) return {step.status, total.bytes, step.error};
    total.bytes += step.bytes;
  }
  return total;
}

Status shutdown_send(const Socket& socket, int* error) {
  if (!socket.valid()) return Status::bad_argument;
  if (::shutdown(socket.fd(), SHUT_WR) == 0) return Status::ok;
  if (error) *error = errno;
  return Status::failed;
}

}  // namespace platform::net
