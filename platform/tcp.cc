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
SocketResult connect_one(const addrinfo& candidate, Deadline deadline) {
  int fd = ::socket(candidate.ai_family, candidate.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                    candidate.ai_protocol);
  if (fd < 0) return {Socket(), Status::failed, errno};
  Socket socket(fd);
  if (::connect(fd, candidate.ai_addr, candidate.ai_addrlen) == 0) return {std::move(socket), Status::ok, 0};
  if (errno != EINPROGRESS && errno != EINTR) return {Socket(), Status::failed, errno};
  int error = 0;
  Status waited = detail::wait_for(fd, POLLOUT, deadline, &error);
  if (waited != Status::ok) return {Socket(), waited, error};
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return {Socket(), Status::failed, errno};
  if (error != 0) return {Socket(), Status::failed, error};
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return {std::move(socket), Status::ok, 0};
}

}  // namespace

SocketResult connect_tcp(const std::string& host, std::uint16_t port, Deadline deadline) {
  if (host.empty() || port == 0) return {Socket(), Status::bad_argument, EINVAL};
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
    return {Socket(), resolved == EAI_NONAME ? Status::bad_argument : Status::failed, error};
  }
  SocketResult last{Socket(), Status::failed, EHOSTUNREACH};
  for (addrinfo* candidate = found; candidate; candidate = candidate->ai_next) {
    last = connect_one(*candidate, deadline);
    if (last.ok() || last.status == Status::timed_out) break;
  }
  ::freeaddrinfo(found);
  return last;
}

Listener listen_tcp(const std::string& address, std::uint16_t port, int backlog) {
  Endpoint wanted{address, port, address.find(':') != std::string::npos};
  sockaddr_storage storage;
  socklen_t length = 0;
  if (!detail::to_sockaddr(wanted, storage, length)) return {Socket(), 0, Status::bad_argument, EINVAL};
  int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return {Socket(), 0, Status::failed, errno};
  Socket socket(fd);
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 || ::listen(fd, backlog) != 0)
    return {Socket(), 0, Status::failed, errno};
  EndpointResult bound = local_endpoint(socket);
  if (!bound.ok()) return {Socket(), 0, bound.status, bound.error};
  return {std::move(socket), bound.endpoint.port, Status::ok, 0};
}

SocketResult accept_tcp(const Socket& listener, Deadline deadline, Endpoint* peer) {
  if (!listener.valid()) return {Socket(), Status::bad_argument, EBADF};
  for (;;) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    int fd = ::accept4(listener.fd(), reinterpret_cast<sockaddr*>(&storage), &length,
                       SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
      if (peer) *peer = detail::from_sockaddr(reinterpret_cast<sockaddr*>(&storage));
      int one = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      return {Socket(fd), Status::ok, 0};
    }
    if (errno == EINTR || errno == ECONNABORTED) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return {Socket(), Status::failed, errno};
    int error = 0;
    Status waited = detail::wait_for(listener.fd(), POLLIN, deadline, &error);
    if (waited != Status::ok) return {Socket(), waited, error};
  }
}

namespace {

using NameQuery = int (*)(int, sockaddr*, socklen_t*);

EndpointResult query_endpoint(const Socket& socket, NameQuery query) {
  if (!socket.valid()) return {Endpoint(), Status::bad_argument, EBADF};
  sockaddr_storage storage{};
  socklen_t length = sizeof storage;
  if (query(socket.fd(), reinterpret_cast<sockaddr*>(&storage), &length) != 0)
    return {Endpoint(), Status::failed, errno};
  return {detail::from_sockaddr(reinterpret_cast<sockaddr*>(&storage)), Status::ok, 0};
}

}  // namespace

EndpointResult local_endpoint(const Socket& socket) { return query_endpoint(socket, ::getsockname); }
EndpointResult peer_endpoint(const Socket& socket) { return query_endpoint(socket, ::getpeername); }

}  // namespace platform::net
