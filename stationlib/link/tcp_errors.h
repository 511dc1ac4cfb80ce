// Socket failures of the TCP/IP link: errno to the socket error numbers the
// library documents, and those to the library's last-error codes with their
// diagnostic texts.
#pragma once

#include <cstdint>
#include <string>

namespace orbisk::link {

inline constexpr int kSocketNotDiscovered = -20;  // pseudo socket error: device not discovered
inline constexpr int kSocketReceiveTimedOut = -27;

// Socket error number (10060, 10054...) for an errno value.
int SocketErrorForErrno(int error);

struct SocketErrorMapping {
  std::int32_t code;
  std::string diagnostic;  // the texts of the row, "%s" replaced by `where`
};
SocketErrorMapping MapSocketFailure(int socket_error, const char* where);

}  // namespace orbisk::link
