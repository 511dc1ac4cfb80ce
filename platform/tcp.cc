#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/net_internal.h"

namespace platform::net {
namespace {

// One non-blocking connect attempt to one resolved address.
SocketResult ConnectOne(const addrinfo& candidate, Deadline deadline, const StopFlag* stop) {
  int fd = ::socket(candidate.ai_family, candidate.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                    candidate.ai_protocol);
  if (fd < 0) return {Socket(), Status::kFailed, errno};
  Socket socket(fd);
  socket.StopOn(stop);
  if (::connect(fd, candidate.ai_addr, candidate.ai_addrlen) == 0)
    return {std::move(socket), Status::kOk, 0};
  if (errno != EINPROGRESS && errno != EINTR) return {Socket(), Status::kFailed, errno};
  int error = 0;
  Status waited = detail::WaitFor(fd, POLLOUT, deadline, &error, stop);
  if (waited != Status::kOk) return {Socket(), waited, error};
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
    return {Socket(), Status::kFailed, errno};
  if (error != 0) return {Socket(), Status::kFailed, error};
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return {std::move(socket), Status::kOk, 0};
}

}  // namespace

SocketResult ConnectTcp(const std::string& host, std::uint16_t port, Deadline deadline,
                        const StopFlag* stop) {
  if (host.empty() || port == 0) return {Socket(), Status::kBadArgument, EINVAL};
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  char service[8];
  std::snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
  addrinfo* found = nullptr;
  int resolved = ::getaddrinfo(host.c_str(), service, &hints, &found);
  if (resolved != 0) {
    int error = resolved == EAI_SYSTEM ? errno : EHOSTUNREACH;
    return {Socket(), resolved == EAI_NONAME ? Status::kBadArgument : Status::kFailed, error};
  }
  SocketResult last{Socket(), Status::kFailed, EHOSTUNREACH};
  for (addrinfo* candidate = found; candidate; candidate = candidate->ai_next) {
    last = ConnectOne(*candidate, deadline, stop);
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
  int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return {Socket(), 0, Status::kFailed, errno};
  Socket socket(fd);
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 || ::listen(fd, backlog) != 0)
    return {Socket(), 0, Status::kFailed, errno};
  EndpointResult bound = LocalEndpoint(socket);
  if (!bound.ok()) return {Socket(), 0, bound.status, bound.error};
  return {std::move(socket), bound.endpoint.port, Status::kOk, 0};
}

SocketResult AcceptTcp(const Socket& listener, Deadline deadline, Endpoint* peer) {
  if (!listener.valid()) return {Socket(), Status::kBadArgument, EBADF};
  for (;;) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    int fd = ::accept4(listener.fd(), reinterpret_cast<sockaddr*>(&storage), &length,
                       SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
      if (peer) *peer = detail::FromSockaddr(reinterpret_cast<sockaddr*>(&storage));
      int one = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      Socket accepted(fd);
      accepted.StopOn(listener.stop());
      return {std::move(accepted), Status::kOk, 0};
    }
    if (errno == EINTR || errno == ECONNABORTED) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return {Socket(), Status::kFailed, errno};
    int error = 0;
    Status waited = detail::WaitFor(listener.fd(), POLLIN, deadline, &error, listener.stop());
    if (waited != Status::kOk) return {Socket(), waited, error};
  }
}

namespace {

using NameQuery = int (*)(int, sockaddr*, socklen_t*);

EndpointResult QueryEndpoint(const Socket& socket, NameQuery query) {
  if (!socket.valid()) return {Endpoint(), Status::kBadArgument, EBADF};
  sockaddr_storage storage{};
  socklen_t length = sizeof storage;
  if (query(socket.fd(), reinterpret_cast<sockaddr*>(&storage), &length) != 0)
    return {Endpoint(), Status::kFailed, errno};
  return {detail::FromSockaddr(reinterpret_cast<sockaddr*>(&storage)), Status::kOk, 0};
}

}  // namespace

EndpointResult LocalEndpoint(const Socket& socket) {
  return QueryEndpoint(socket, ::getsockname);
}
EndpointResult PeerEndpoint(const Socket& socket) {
  return QueryEndpoint(socket, ::getpeername);
}

}  // namespace platform::net
