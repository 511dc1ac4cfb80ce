// Winsock 2 sockets. A SOCKET fits an int on 32-bit Windows (INVALID_SOCKET
// is -1 there), so Socket keeps its int. A StopFlag has no wake descriptor
// here: a wait tied to one waits in short slices and looks at the flag
// between them.
#include <cerrno>
#include <climits>

#include "platform/net_internal.h"

namespace platform::net {
namespace {

// Longest a wait tied to a stop flag goes without looking at it.
constexpr int kStopSliceMs = 50;

struct ErrorRow {
  int wsa;
  int error;
};

constexpr ErrorRow kErrors[] = {
    {WSAEINTR, EINTR},
    {WSAEBADF, EBADF},
    {WSAEACCES, EACCES},
    {WSAEFAULT, EFAULT},
    {WSAEINVAL, EINVAL},
    {WSAEMFILE, EMFILE},
    {WSAEWOULDBLOCK, EWOULDBLOCK},
    {WSAEINPROGRESS, EINPROGRESS},
    {WSAEALREADY, EALREADY},
    {WSAENOTSOCK, ENOTSOCK},
    {WSAEDESTADDRREQ, EDESTADDRREQ},
    {WSAEMSGSIZE, EMSGSIZE},
    {WSAEPROTOTYPE, EPROTOTYPE},
    {WSAENOPROTOOPT, ENOPROTOOPT},
    {WSAEPROTONOSUPPORT, EPROTONOSUPPORT},
    {WSAEOPNOTSUPP, EOPNOTSUPP},
    {WSAEAFNOSUPPORT, EAFNOSUPPORT},
    {WSAEADDRINUSE, EADDRINUSE},
    {WSAEADDRNOTAVAIL, EADDRNOTAVAIL},
    {WSAENETDOWN, ENETDOWN},
    {WSAENETUNREACH, ENETUNREACH},
    {WSAENETRESET, ENETRESET},
    {WSAECONNABORTED, ECONNABORTED},
    {WSAECONNRESET, ECONNRESET},
    {WSAENOBUFS, ENOBUFS},
    {WSAEISCONN, EISCONN},
    {WSAENOTCONN, ENOTCONN},
    {WSAESHUTDOWN, EPIPE},
    {WSAETIMEDOUT, ETIMEDOUT},
    {WSAECONNREFUSED, ECONNREFUSED},
    {WSAELOOP, ELOOP},
    {WSAENAMETOOLONG, ENAMETOOLONG},
    {WSAEHOSTDOWN, EHOSTUNREACH},
    {WSAEHOSTUNREACH, EHOSTUNREACH},
};

// Winsock counts lengths in int.
int LengthFor(std::size_t size) {
  return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

}  // namespace

void Socket::Close() {
  if (fd_ >= 0) {
    ::closesocket(static_cast<SOCKET>(fd_));
    fd_ = -1;
  }
}

namespace detail {

int TranslateWsaError(int code) {
  for (const ErrorRow& row : kErrors) {
    if (row.wsa == code) return row.error;
  }
  return code;
}

// Winsock is process-wide state of the system, started once for the whole
// process and never stopped: a function-level static starts it exactly once
// from whichever thread comes first, and holds nothing of a run.
void StartSockets() {
  static const int started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data);
  }();
  (void)started;  // a failed start shows as WSANOTINITIALISED on the next call
}

int LastError() {
  return TranslateWsaError(::WSAGetLastError());
}

bool PrepareSocket(int fd) {
  const auto handle = static_cast<SOCKET>(fd);
  u_long nonblocking = 1;
  return ::ioctlsocket(handle, FIONBIO, &nonblocking) == 0 &&
         ::SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT, 0);
}

int OpenSocket(int family, int type, int protocol) {
  StartSockets();
  const SOCKET handle = ::WSASocketW(family, type, protocol, nullptr, 0,
                                     WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (handle == INVALID_SOCKET) return -1;
  const int fd = static_cast<int>(handle);
  if (!PrepareSocket(fd)) {
    const int error = ::WSAGetLastError();
    ::closesocket(handle);
    ::WSASetLastError(error);
    return -1;
  }
  return fd;
}

bool SetFlag(int fd, int level, int option) {
  BOOL one = TRUE;
  return ::setsockopt(static_cast<SOCKET>(fd), level, option, reinterpret_cast<char*>(&one),
                      sizeof one) == 0;
}

// select on one socket; the except set reports a failed connect. Tied to a
// stop flag, the wait goes in slices of kStopSliceMs.
Status WaitFor(int fd, short events, Deadline deadline, int* error, const StopFlag* stop) {
  const auto handle = static_cast<SOCKET>(fd);
  for (;;) {
    if (stop && stop->IsSet()) return Status::kStopped;
    int wait_ms = RemainingMs(deadline);
    if (stop && wait_ms > kStopSliceMs) wait_ms = kStopSliceMs;
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    if (events & POLLIN) FD_SET(handle, &readable);
    if (events & POLLOUT) FD_SET(handle, &writable);
    FD_SET(handle, &failed);
    timeval timeout{wait_ms / 1000, (wait_ms % 1000) * 1000};
    const int ready = ::select(0, &readable, &writable, &failed, &timeout);
    if (stop && stop->IsSet()) return Status::kStopped;
    if (ready > 0) return Status::kOk;  // errors show on the next call
    if (ready < 0) {
      if (error) *error = LastError();
      return Status::kFailed;
    }
    if (Clock::now() >= deadline) return Status::kTimedOut;
  }
}

}  // namespace detail

IoResult SendNow(const Socket& socket, const void* data, std::size_t size) {
  if (!socket.valid()) return {Status::kBadArgument, 0, EBADF};
  const int sent =
      ::send(static_cast<SOCKET>(socket.fd()), static_cast<const char*>(data), LengthFor(size), 0);
  if (sent >= 0) return {Status::kOk, static_cast<std::size_t>(sent), 0};
  const int error = detail::LastError();
  if (error == EWOULDBLOCK) return {Status::kTimedOut, 0, 0};
  return {Status::kFailed, 0, error};
}

IoResult ReceiveNow(const Socket& socket, void* buffer, std::size_t capacity) {
  if (!socket.valid()) return {Status::kBadArgument, 0, EBADF};
  const int got =
      ::recv(static_cast<SOCKET>(socket.fd()), static_cast<char*>(buffer), LengthFor(capacity), 0);
  if (got > 0) return {Status::kOk, static_cast<std::size_t>(got), 0};
  if (got == 0) return {capacity == 0 ? Status::kOk : Status::kClosed, 0, 0};
  const int error = detail::LastError();
  if (error == EWOULDBLOCK) return {Status::kTimedOut, 0, 0};
  return {Status::kFailed, 0, error};
}

Status ShutdownSend(const Socket& socket, int* error) {
  if (!socket.valid()) return Status::kBadArgument;
  if (::shutdown(static_cast<SOCKET>(socket.fd()), SD_SEND) == 0) return Status::kOk;
  if (error) *error = detail::LastError();
  return Status::kFailed;
}

}  // namespace platform::net
