#include "stationlib/link/tcp_errors.h"

#include <errno.h>

#include <cstdio>

#include "stationlib/link/codes.h"

namespace orbisk::link {
namespace {

struct Row {
  int socket_error;
  std::int32_t code;
  const char* first;
  const char* second;  // a second diagnostic line, or null
};

constexpr const char* kGeneral = "%s Error: TCP/IP Communication Error.";

constexpr Row kRows[] = {
    {10024, kErrNoSockets, "%s Error: No Sockets found.", nullptr},
    {10035, kErrTcpTimeout, "%s Error: Communication timeout.", nullptr},
    {10060, kErrTcpTimeout, "%s Error: Communication timeout.", nullptr},
    {10040, kErrMessageTooLong, "%s Error: Message size exceeds the allowable buffer size.",
     nullptr},
    {10048, kErrSocketInUse, "%s Error: Socket already in use.", nullptr},
    {10056, kErrSocketInUse, "%s Error: Socket already in use.", nullptr},
    {10050, kErrNetworkDown, "%s Error: The TCP/IP connection was closed since Network is down.",
     nullptr},
    {10051, kErrNetworkUnreachable,
     "%s Error : The TCP/IP connection was closed since the Network is unreachable.", nullptr},
    {10052, kErrConnectionReset,
     "%s Error: The TCP/IP connection was closed due to abrupt connection reset.", nullptr},
    {10053, kErrConnectionAborted,
     "%s Error: The TCP/IP connection was aborted due to transmission timeout or protocol error",
     nullptr},
    {10054, kErrClosedByRemote, "%s Error: The TCP/IP connection was closed by the remote host.",
     nullptr},
    {10065, kErrHostUnreachable, "%s Error: Host cannot be reached.", nullptr},
    {10092, kErrSocketInUse, "%s Error: WinSock version not supported.",
     "%s Error: Socket already in use."},
    {10093, kErrNotInitialised, "%s Error: Winsock not initialized.", nullptr},
    {kSocketReceiveTimedOut, kErrReceiveTimeout,
     "%s Error: Function to receive data through tcp/ip timed out.", nullptr},
    {kSocketNotDiscovered, kErrTcpGeneral,
     "%s Error: The application is not able to find the device. Connect the device and try again.",
     kGeneral},
};

std::string Format(const char* pattern, const char* where) {
  char text[256];
  std::snprintf(text, sizeof text, pattern, where);
  return text;
}

}  // namespace

int SocketErrorForErrno(int error) {
  switch (error) {
    case EMFILE:
    case ENFILE:
      return 10024;
    case EWOULDBLOCK:
      return 10035;
    case EMSGSIZE:
      return 10040;
    case EADDRINUSE:
      return 10048;
    case ENETDOWN:
      return 10050;
    case ENETUNREACH:
      return 10051;
    case ENETRESET:
      return 10052;
    case ECONNABORTED:
      return 10053;
    case ECONNRESET:
    case EPIPE:
      return 10054;
    case EISCONN:
      return 10056;
    case ETIMEDOUT:
      return 10060;
    case ECONNREFUSED:
      return 10061;
    case EHOSTUNREACH:
      return 10065;
    default:
      return error;
  }
}

SocketErrorMapping MapSocketFailure(int socket_error, const char* where) {
  for (const Row& row : kRows) {
    if (row.socket_error == socket_error) {
      SocketErrorMapping m{row.code, Format(row.first, where)};
      if (row.second != nullptr) m.diagnostic += "\n" + Format(row.second, where);
      return m;
    }
  }
  return {kErrTcpGeneral, Format(kGeneral, where)};
}

}  // namespace orbisk::link
