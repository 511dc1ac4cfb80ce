#include "stationlib/link/discovery.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/environment.h"
#include "platform/net.h"
#include "stationlib/link/library_clock.h"

namespace orbisk::link {
namespace {

namespace net = platform::net;

constexpr char kProbe[] = "discovernbip";
constexpr std::size_t kProbeSize = sizeof kProbe - 1;
constexpr int kAttempts = 2;
constexpr int kListenSlices = 10;  // 10 waits of 100 ms
constexpr int kSliceMs = 100;
constexpr std::uint8_t kDiscoveryAck = 0x06;

// The local address that answered last time, tried first on the next search.
std::string g_last_good_local;

net::Endpoint DiscoveryTarget() {
  net::Endpoint target{"255.255.255.255", kDiscoveryPort, false};
  std::optional<std::string> setting =
      platform::GetEnvironmentVariable("ORBISKPRO_DISCOVERY_TARGET");
  if (!setting) return target;
  std::size_t colon = setting->rfind(':');
  if (colon == std::string::npos) return target;
  int port = std::atoi(setting->c_str() + colon + 1);
  if (port <= 0 || port > 65535) return target;
  return {setting->substr(0, colon), static_cast<std::uint16_t>(port), false};
}

bool IsLoopback(const std::string& address) {
  return address.rfind("127.", 0) == 0;
}

// One local address: up to two probes, each followed by one second of listening.
bool SearchFrom(const std::string& local, const net::Endpoint& target,
                std::map<std::string, std::string>& found) {
  net::SocketResult udp = net::OpenUdp(true, local, 0);
  if (!udp.ok()) return false;
  for (int attempt = 0; attempt < kAttempts && found.empty(); ++attempt) {
    if (!net::SendTo(udp.socket, target, kProbe, kProbeSize).ok()) continue;
    for (int slice = 0; slice < kListenSlices; ++slice) {
      std::uint8_t datagram[64];
      net::Endpoint from;
      if (LibraryClock().WaitReadable(udp.socket.fd(), kSliceMs) <= 0) continue;
      net::IoResult r = net::ReceiveFrom(udp.socket, datagram, sizeof datagram,
                                         net::DeadlineAfter(std::chrono::milliseconds(0)), &from);
      if (!r.ok()) continue;
      std::optional<std::string> id = ParseDiscoveryReply(datagram, r.bytes);
      if (!id) continue;
      // Tell the logger it was heard.
      net::Endpoint ack{from.address, target.port, false};
      net::SendTo(udp.socket, ack, &kDiscoveryAck, 1);
      found.emplace(*id, from.address);
    }
  }
  return !found.empty();
}

}  // namespace

bool IsDeviceIdentifier(const std::string& address) {
  return address.size() > 2 && address[2] == ':';
}

std::optional<std::string> ParseDiscoveryReply(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size != kDiscoveryReplySize ||
      std::memcmp(data, kProbe, kProbeSize) != 0) {
    return std::nullopt;
  }
  char id[18];
  std::snprintf(id, sizeof id, "%02X:%02X:%02X:%02X:%02X:%02X", data[12], data[13], data[14],
                data[15], data[16], data[17]);
  return std::string(id);
}

std::optional<std::string> DiscoverDevice(const std::string& device_id) {
  const net::Endpoint target = DiscoveryTarget();
  std::map<std::string, std::string> found;
  bool success = !g_last_good_local.empty() && SearchFrom(g_last_good_local, target, found);
  if (!success) {
    net::InterfaceList locals = net::LocalIpv4Addresses();
    for (const net::InterfaceAddress& local : locals.addresses) {
      // A loopback target is only reachable from a loopback address.
      if (IsLoopback(target.address) && !local.loopback) continue;
      if (SearchFrom(local.address, target, found)) {
        g_last_good_local = local.address;
        success = true;
        break;
      }
    }
  }
  auto it = found.find(device_id);
  if (it == found.end()) return std::nullopt;
  return it->second;
}

}  // namespace orbisk::link
