// Sockets for the agent and the station library: TCP and UDP over POSIX
// sockets or Winsock 2, every wait bounded by one deadline on the monotonic
// clock.
//
// No function throws. Every failure carries the errno that caused it (Winsock
// codes are translated to the same errno values) so a caller can map it to its
// own codes. Sockets are non-blocking once they are open; waiting is done with
// poll (select on Windows), restarted after EINTR with the time that is left.
// A socket may be tied to a StopFlag: its waits then also end, with status
// stopped, as soon as the flag is set (on Windows within 50 ms).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/env.h"

namespace platform::net {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

// A deadline `timeout` from now.
Deadline DeadlineAfter(std::chrono::milliseconds timeout);

enum class Status {
  kOk,
  kTimedOut,     // the deadline passed first
  kClosed,       // the peer closed the connection (receive only)
  kFailed,       // the system refused; `error` holds errno
  kBadArgument,  // unusable address, port or socket; `error` is EINVAL
  kStopped       // the socket's stop flag was set first
};

// Text of a status, for journal lines.
const char* StatusName(Status status);

// An IPv4 or IPv6 address in numeric form and a port.
struct Endpoint {
  std::string address;
  std::uint16_t port = 0;
  bool ipv6 = false;
};

// Owns one socket descriptor; closed on destruction. Move-only.
class Socket {
 public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket();
  Socket(Socket&& other) noexcept;  // the stop flag goes along
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  void Close();

  // Every later wait on this socket also ends when `stop` is set (null: only
  // the deadline). `stop` must outlive the socket.
  void StopOn(const StopFlag* stop) { stop_ = stop; }
  const StopFlag* stop() const { return stop_; }

 private:
  int fd_ = -1;
  const StopFlag* stop_ = nullptr;
};

struct IoResult {
  Status status = Status::kOk;
  std::size_t bytes = 0;  // bytes moved before the call returned
  int error = 0;          // errno when status is failed
  bool ok() const { return status == Status::kOk; }
};

struct SocketResult {
  Socket socket;
  Status status = Status::kOk;
  int error = 0;
  bool ok() const { return status == Status::kOk; }
};

// TCP connection to host:port. The host is a numeric address or a name
// (resolved by the system resolver, which the deadline cannot bound); each
// resolved address is tried in turn until one answers or the deadline passes
// (or `stop` is set; the socket is tied to it).
SocketResult ConnectTcp(const std::string& host, std::uint16_t port, Deadline deadline,
                        const StopFlag* stop = nullptr);

// Sends every byte, waiting for room as needed. Never raises SIGPIPE.
IoResult SendAll(const Socket& socket, const void* data, std::size_t size, Deadline deadline);

// Receives what is available, at least one byte, up to `capacity`.
// Status closed with 0 bytes when the peer has closed.
IoResult ReceiveSome(const Socket& socket, void* buffer, std::size_t capacity, Deadline deadline);

// Receives exactly `size` bytes, or reports what arrived before the failure.
IoResult ReceiveExact(const Socket& socket, void* buffer, std::size_t size, Deadline deadline);

// One non-blocking attempt each; timed_out means "would block".
IoResult SendNow(const Socket& socket, const void* data, std::size_t size);
IoResult ReceiveNow(const Socket& socket, void* buffer, std::size_t capacity);

// Waits until the socket can be read (or has an error or hang-up pending) /
// written. ok when ready, timed_out at the deadline.
Status WaitReadable(const Socket& socket, Deadline deadline, int* error = nullptr);
Status WaitWritable(const Socket& socket, Deadline deadline, int* error = nullptr);

// Closes the sending half (the peer sees end of file).
Status ShutdownSend(const Socket& socket, int* error = nullptr);

// Listening TCP socket on address:port; port 0 lets the system choose.
struct Listener {
  Socket socket;
  std::uint16_t port = 0;  // the port actually bound
  Status status = Status::kOk;
  int error = 0;
  bool ok() const { return status == Status::kOk; }
};
Listener ListenTcp(const std::string& address = "127.0.0.1", std::uint16_t port = 0,
                   int backlog = 8);
// The accepted socket is tied to the listener's stop flag.
SocketResult AcceptTcp(const Socket& listener, Deadline deadline, Endpoint* peer = nullptr);

// Addresses of either end of a connected or bound socket.
struct EndpointResult {
  Endpoint endpoint;
  Status status = Status::kOk;
  int error = 0;
  bool ok() const { return status == Status::kOk; }
};
EndpointResult LocalEndpoint(const Socket& socket);
EndpointResult PeerEndpoint(const Socket& socket);

// UDP socket bound to address:port (empty address: any, port 0: any),
// with SO_BROADCAST when asked.
SocketResult OpenUdp(bool broadcast, const std::string& address = "", std::uint16_t port = 0);
IoResult SendTo(const Socket& socket, const Endpoint& to, const void* data, std::size_t size);
// One datagram; `from` gets its sender. A datagram longer than `capacity` is truncated.
IoResult ReceiveFrom(const Socket& socket, void* buffer, std::size_t capacity, Deadline deadline,
                     Endpoint* from = nullptr);

// IPv4 addresses of the interfaces that are up (loopback included).
struct InterfaceAddress {
  std::string interface_name;
  std::string address;
  std::string netmask;
  std::string broadcast;  // empty when the interface has none
  bool loopback = false;
};
struct InterfaceList {
  std::vector<InterfaceAddress> addresses;
  Status status = Status::kOk;
  int error = 0;
  bool ok() const { return status == Status::kOk; }
};
InterfaceList LocalIpv4Addresses();

}  // namespace platform::net
