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
int listenLoopback(int type, int& port);

// Serves a byte stream (socket or pseudo-terminal master) until the peer
// closes it or the console drops the link. Returns false on a drop.
bool serveStream(Simulator& sim, int fd, const std::string& linkName);

void startTcpLink(Simulator& sim, int listenFd);
// Opens a pseudo-terminal in raw mode; returns the slave path ("" on failure).
std::string startPtyLink(Simulator& sim);
void startDiscovery(int udpFd, const std::array<std::uint8_t, 6>& deviceId, int tcpPort);
void startWebService(Simulator& sim, int listenFd);
void startControl(Simulator& sim, int listenFd);

// The 31-byte answer to a "discovernbip" datagram.
std::string discoveryReply(const std::array<std::uint8_t, 6>& deviceId, int tcpPort);
// The web data service's reply to one request path ("/webdl.php?...").
std::string webReply(Simulator& sim, const std::string& target);

}  // namespace consolesim
