#pragma once
// The simulator's links, all bound to 127.0.0.1: the network data logger's
// TCP port, the serial link's pseudo-terminal, the discovery reply over UDP,
// the web data service over HTTP and the JSON control channel. Each runs on
// its own threads until the process ends.
#include <array>
#include <cstdint>
#include <string>

#include "tools/console-sim/simulator.h"

namespace consolesim {

// A listening socket on 127.0.0.1 (port 0 = chosen by the system); returns
// the descriptor and sets `port` to the bound port, or -1.
int ListenLoopback(int type, int& port);

// The time a served link keeps: its waits for bytes and the delays before
// its answers. Real, unless a test serves the link on its own clock.
class LinkTime {
 public:
  virtual ~LinkTime() = default;
  virtual std::int64_t MonotonicMs() = 0;
  virtual void SleepMs(std::int64_t ms) = 0;
  // Waits up to `timeout_ms` (negative: no end) until `fd` can be read or has
  // hung up: >0 then, 0 at the time-out, <0 on failure.
  virtual int WaitReadable(int fd, std::int64_t timeout_ms) = 0;
};
LinkTime& RealLinkTime();

// Serves a byte stream (socket or pseudo-terminal master) until the peer
// closes it or the console drops the link. Returns false on a drop.
bool ServeStream(Simulator& sim, int fd, const std::string& link_name,
                 LinkTime& time = RealLinkTime());

// Makes an accepted TCP link pass each write on at once, as the network data
// logger does, rather than hold a small answer until the client acknowledges
// the previous one (Nagle's algorithm).
void PassBytesAtOnce(int fd);

void StartTcpLink(Simulator& sim, int listen_fd);
// Opens a pseudo-terminal in raw mode; returns the slave path ("" on failure).
std::string StartPtyLink(Simulator& sim);
void StartDiscovery(Simulator& sim, int udp_fd, const std::array<std::uint8_t, 6>& device_id,
                    int tcp_port);
void StartWebService(Simulator& sim, int listen_fd);
void StartControl(Simulator& sim, int listen_fd);

// The 31-byte answer to a "discovernbip" datagram.
std::string DiscoveryReply(const std::array<std::uint8_t, 6>& device_id, int tcp_port);
// The web data service's reply to one request path ("/webdl.php?...").
std::string WebReply(Simulator& sim, const std::string& target);

}  // namespace consolesim
