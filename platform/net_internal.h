// Helpers shared by the socket sources: address conversion and waits. The
// portable ones are in net_common.cc; each system gives the rest.
#pragma once

#include "platform/net.h"

#ifdef _WIN32
#include <ws2tcpip.h>

#include "platform/win32_internal.h"
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#endif

namespace platform::net::detail {

// Milliseconds left until the deadline, for poll (0 when it has passed).
int RemainingMs(Deadline deadline);

// Waits for `events` (POLLIN, POLLOUT) until the deadline, restarting after
// EINTR; stopped as soon as `stop` (may be null) is set.
Status WaitFor(int fd, short events, Deadline deadline, int* error, const StopFlag* stop);

// Numeric address and port into a socket address; false when unusable.
bool ToSockaddr(const Endpoint& endpoint, sockaddr_storage& storage, socklen_t& length);
Endpoint FromSockaddr(const sockaddr* address);

// Readies the system's sockets before the first call that needs them.
void StartSockets();
// The errno of the last failed socket call of this thread.
int LastError();
// One non-blocking connect attempt to one resolved address; the socket is tied to `stop`.
SocketResult ConnectOne(const addrinfo& candidate, Deadline deadline, const StopFlag* stop);
// One accept on a listening socket: the new socket, non-blocking and not
// inherited, or -1 with `error` set (EWOULDBLOCK when none is waiting). A
// connection given up before it was taken is passed over.
int AcceptNow(int listener, sockaddr_storage& peer, int* error);
// A new socket, non-blocking and not inherited by child processes; -1 on
// failure (LastError tells why).
int OpenSocket(int family, int type, int protocol);
// Turns a boolean socket option on; false on failure.
bool SetFlag(int fd, int level, int option);

#ifdef _WIN32
// Windows binds beside connections in TIME_WAIT without SO_REUSEADDR, whose
// meaning there would let another program take the port over: keep it ours.
inline constexpr int kListenOption = SO_EXCLUSIVEADDRUSE;
// The errno value of a Winsock error code; a code without one is kept.
int TranslateWsaError(int code);
// Makes a socket non-blocking and not inherited; false on failure.
bool PrepareSocket(int fd);
#else
// Lets a restarted listener bind beside the connections of the last one.
inline constexpr int kListenOption = SO_REUSEADDR;
#endif

}  // namespace platform::net::detail
