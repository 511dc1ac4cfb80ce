// UDP over Winsock 2.
#include <cerrno>
#include <climits>

#include "platform/net_internal.h"

namespace platform::net {

IoResult SendTo(const Socket& socket, const Endpoint& to, const void* data, std::size_t size) {
  if (!socket.valid()) return {Status::kBadArgument, 0, EBADF};
  sockaddr_storage storage;
  socklen_t length = 0;
  if (!detail::ToSockaddr(to, storage, length) || to.address.empty() || to.port == 0 ||
      size > INT_MAX)
    return {Status::kBadArgument, 0, EINVAL};
  const int sent =
      ::sendto(static_cast<SOCKET>(socket.fd()), static_cast<const char*>(data),
               static_cast<int>(size), 0, reinterpret_cast<sockaddr*>(&storage), length);
  if (sent >= 0) return {Status::kOk, static_cast<std::size_t>(sent), 0};
  return {Status::kFailed, 0, detail::LastError()};
}

IoResult ReceiveFrom(const Socket& socket, void* buffer, std::size_t capacity, Deadline deadline,
                     Endpoint* from) {
  if (!socket.valid()) return {Status::kBadArgument, 0, EBADF};
  const int room = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
  for (;;) {
    sockaddr_storage storage{};
    int length = sizeof storage;
    const int got = ::recvfrom(static_cast<SOCKET>(socket.fd()), static_cast<char*>(buffer), room,
                               0, reinterpret_cast<sockaddr*>(&storage), &length);
    int error = got >= 0 ? 0 : detail::LastError();
    // Windows reports a longer datagram as an error after filling the buffer:
    // the header promises it truncated.
    if (got >= 0 || error == EMSGSIZE) {
      if (from) *from = detail::FromSockaddr(reinterpret_cast<sockaddr*>(&storage));
      return {Status::kOk, static_cast<std::size_t>(got >= 0 ? got : room), 0};
    }
    // An ICMP "port unreachable" for an earlier datagram of this socket shows
    // as a reset of the next receive: it says nothing of the next datagram.
    if (error == ECONNRESET) continue;
    if (error != EWOULDBLOCK) return {Status::kFailed, 0, error};
    error = 0;
    Status waited = detail::WaitFor(socket.fd(), POLLIN, deadline, &error, socket.stop());
    if (waited != Status::kOk) return {waited, 0, error};
  }
}

}  // namespace platform::net
