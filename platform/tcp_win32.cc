// TCP over Winsock 2: connect, listen and accept on non-blocking sockets.
#include <cerrno>

#include "platform/net_internal.h"

namespace platform::net::detail {

SocketResult ConnectOne(const addrinfo& candidate, Deadline deadline, const StopFlag* stop) {
  const int fd = OpenSocket(candidate.ai_family, candidate.ai_socktype, candidate.ai_protocol);
  if (fd < 0) return {Socket(), Status::kFailed, LastError()};
  Socket socket(fd);
  socket.StopOn(stop);
  if (::connect(static_cast<SOCKET>(fd), candidate.ai_addr,
                static_cast<int>(candidate.ai_addrlen)) == 0)
    return {std::move(socket), Status::kOk, 0};
  const int started = LastError();
  if (started != EWOULDBLOCK && started != EINPROGRESS) return {Socket(), Status::kFailed, started};
  int error = 0;
  Status waited = WaitFor(fd, POLLOUT, deadline, &error, stop);
  if (waited != Status::kOk) return {Socket(), waited, error};
  int length = sizeof error;
  if (::getsockopt(static_cast<SOCKET>(fd), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                   &length) != 0)
    return {Socket(), Status::kFailed, LastError()};
  if (error != 0) return {Socket(), Status::kFailed, TranslateWsaError(error)};
  SetFlag(fd, IPPROTO_TCP, TCP_NODELAY);
  return {std::move(socket), Status::kOk, 0};
}

int AcceptNow(int listener, sockaddr_storage& peer, int* error) {
  for (;;) {
    int length = sizeof peer;
    const SOCKET handle =
        ::accept(static_cast<SOCKET>(listener), reinterpret_cast<sockaddr*>(&peer), &length);
    if (handle != INVALID_SOCKET) {
      // The accepted socket inherits the listener's blocking mode; the
      // inheritance flag is set again all the same.
      if (PrepareSocket(static_cast<int>(handle))) return static_cast<int>(handle);
      *error = LastError();
      ::closesocket(handle);
      return -1;
    }
    *error = LastError();
    if (*error != ECONNRESET && *error != ECONNABORTED) return -1;
  }
}

}  // namespace platform::net::detail
