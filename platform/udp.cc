#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/net_internal.h"

namespace platform::net {

IoResult SendTo(const Socket& socket, const Endpoint& to, const void* data, std::size_t size) {
  if (!socket.valid()) return {Status::kBadArgument, 0, EBADF};
  sockaddr_storage storage;
  socklen_t length = 0;
  if (!detail::ToSockaddr(to, storage, length) || to.address.empty() || to.port == 0)
    return {Status::kBadArgument, 0, EINVAL};
  for (;;) {
    ssize_t sent = ::sendto(socket.fd(), data, size, MSG_NOSIGNAL,
                            reinterpret_cast<sockaddr*>(&storage), length);
    if (sent >= 0) return {Status::kOk, static_cast<std::size_t>(sent), 0};
    if (errno != EINTR) return {Status::kFailed, 0, errno};
  }
}

IoResult ReceiveFrom(const Socket& socket, void* buffer, std::size_t capacity, Deadline deadline,
                     Endpoint* from) {
  if (!socket.valid()) return {Status::kBadArgument, 0, EBADF};
  for (;;) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    ssize_t got = ::recvfrom(socket.fd(), buffer, capacity, 0,
                             reinterpret_cast<sockaddr*>(&storage), &length);
    if (got >= 0) {
      if (from) *from = detail::FromSockaddr(reinterpret_cast<sockaddr*>(&storage));
      return {Status::kOk, static_cast<std::size_t>(got), 0};
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return {Status::kFailed, 0, errno};
    int error = 0;
    Status waited = detail::WaitFor(socket.fd(), POLLIN, deadline, &error, socket.stop());
    if (waited != Status::kOk) return {waited, 0, error};
  }
}

}  // namespace platform::net
