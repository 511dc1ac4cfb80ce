#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/net_internal.h"

namespace platform::net::detail {

SocketResult ConnectOne(const addrinfo& candidate, Deadline deadline, const StopFlag* stop) {
  int fd = OpenSocket(candidate.ai_family, candidate.ai_socktype, candidate.ai_protocol);
  if (fd < 0) return {Socket(), Status::kFailed, errno};
  Socket socket(fd);
  socket.StopOn(stop);
  if (::connect(fd, candidate.ai_addr, candidate.ai_addrlen) == 0)
    return {std::move(socket), Status::kOk, 0};
  if (errno != EINPROGRESS && errno != EINTR) return {Socket(), Status::kFailed, errno};
  int error = 0;
  Status waited = WaitFor(fd, POLLOUT, deadline, &error, stop);
  if (waited != Status::kOk) return {Socket(), waited, error};
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
    return {Socket(), Status::kFailed, errno};
  if (error != 0) return {Socket(), Status::kFailed, error};
  SetFlag(fd, IPPROTO_TCP, TCP_NODELAY);
  return {std::move(socket), Status::kOk, 0};
}

int AcceptNow(int listener, sockaddr_storage& peer, int* error) {
  for (;;) {
    socklen_t length = sizeof peer;
    int fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length,
                       SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) return fd;
    if (errno == EINTR || errno == ECONNABORTED) continue;
    *error = errno == EAGAIN ? EWOULDBLOCK : errno;
    return -1;
  }
}

}  // namespace platform::net::detail
