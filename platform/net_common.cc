// The socket code that is the same on every system: statuses, deadlines,
// address conversion, the loops over the one-step calls, name resolution,
// bound sockets and the endpoints of a socket.
#include <cerrno>
#include <cstdio>
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

namespace detail {

int RemainingMs(Deadline deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
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

}  // namespace detail

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

SocketResult ConnectTcp(const std::string& host, std::uint16_t port, Deadline deadline,
                        const StopFlag* stop) {
  if (host.empty() || port == 0) return {Socket(), Status::kBadArgument, EINVAL};
  detail::StartSockets();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  char service[8];
  std::snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
  addrinfo* found = nullptr;
  int resolved = ::getaddrinfo(host.c_str(), service, &hints, &found);
  if (resolved != 0) {
#ifdef EAI_SYSTEM
    int error = resolved == EAI_SYSTEM ? errno : EHOSTUNREACH;
#else
    int error = EHOSTUNREACH;
#endif
    return {Socket(), resolved == EAI_NONAME ? Status::kBadArgument : Status::kFailed, error};
  }
  SocketResult last{Socket(), Status::kFailed, EHOSTUNREACH};
  for (addrinfo* candidate = found; candidate; candidate = candidate->ai_next) {
    last = detail::ConnectOne(*candidate, deadline, stop);
    if (last.ok() || last.status == Status::kTimedOut || last.status == Status::kStopped) break;
  }
  ::freeaddrinfo(found);
  return last;
}

Listener ListenTcp(const std::string& address, std::uint16_t port, int backlog) {
  Endpoint wanted{address, port, address.find(':') != std::string::npos};
  sockaddr_storage storage;
  socklen_t length = 0;
  if (!detail::ToSockaddr(wanted, storage, length))
    return {Socket(), 0, Status::kBadArgument, EINVAL};
  const int fd = detail::OpenSocket(storage.ss_family, SOCK_STREAM, 0);
  if (fd < 0) return {Socket(), 0, Status::kFailed, detail::LastError()};
  Socket socket(fd);
  detail::SetFlag(fd, SOL_SOCKET, detail::kListenOption);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 || ::listen(fd, backlog) != 0)
    return {Socket(), 0, Status::kFailed, detail::LastError()};
  EndpointResult bound = LocalEndpoint(socket);
  if (!bound.ok()) return {Socket(), 0, bound.status, bound.error};
  return {std::move(socket), bound.endpoint.port, Status::kOk, 0};
}

SocketResult AcceptTcp(const Socket& listener, Deadline deadline, Endpoint* peer) {
  if (!listener.valid()) return {Socket(), Status::kBadArgument, EBADF};
  for (;;) {
    sockaddr_storage storage{};
    int error = 0;
    const int fd = detail::AcceptNow(listener.fd(), storage, &error);
    if (fd >= 0) {
      if (peer) *peer = detail::FromSockaddr(reinterpret_cast<sockaddr*>(&storage));
      detail::SetFlag(fd, IPPROTO_TCP, TCP_NODELAY);
      Socket accepted(fd);
      accepted.StopOn(listener.stop());
      return {std::move(accepted), Status::kOk, 0};
    }
    if (error != EWOULDBLOCK) return {Socket(), Status::kFailed, error};
    int failure = 0;
    Status waited = detail::WaitFor(listener.fd(), POLLIN, deadline, &failure, listener.stop());
    if (waited != Status::kOk) return {Socket(), waited, failure};
  }
}

SocketResult OpenUdp(bool broadcast, const std::string& address, std::uint16_t port) {
  Endpoint wanted{address, port, address.find(':') != std::string::npos};
  sockaddr_storage storage;
  socklen_t length = 0;
  if (!detail::ToSockaddr(wanted, storage, length)) return {Socket(), Status::kBadArgument, EINVAL};
  const int fd = detail::OpenSocket(storage.ss_family, SOCK_DGRAM, 0);
  if (fd < 0) return {Socket(), Status::kFailed, detail::LastError()};
  Socket socket(fd);
  if (broadcast && !detail::SetFlag(fd, SOL_SOCKET, SO_BROADCAST))
    return {Socket(), Status::kFailed, detail::LastError()};
  if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0)
    return {Socket(), Status::kFailed, detail::LastError()};
  return {std::move(socket), Status::kOk, 0};
}

namespace {

// getsockname or getpeername.
EndpointResult QueryEndpoint(const Socket& socket, bool peer) {
  if (!socket.valid()) return {Endpoint(), Status::kBadArgument, EBADF};
  sockaddr_storage storage{};
  socklen_t length = sizeof storage;
  auto* address = reinterpret_cast<sockaddr*>(&storage);
  const int failed = peer ? ::getpeername(socket.fd(), address, &length)
                          : ::getsockname(socket.fd(), address, &length);
  if (failed != 0) return {Endpoint(), Status::kFailed, detail::LastError()};
  return {detail::FromSockaddr(address), Status::kOk, 0};
}

}  // namespace

EndpointResult LocalEndpoint(const Socket& socket) {
  return QueryEndpoint(socket, false);
}
EndpointResult PeerEndpoint(const Socket& socket) {
  return QueryEndpoint(socket, true);
}

}  // namespace platform::net
