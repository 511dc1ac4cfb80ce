#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cerrno>

#include "platform/net.h"

namespace platform::net {
namespace {

std::string Ipv4Text(const sockaddr* address) {
  if (!address || address->sa_family != AF_INET) return {};
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
  return text;
}

}  // namespace

InterfaceList LocalIpv4Addresses() {
  InterfaceList list;
  ifaddrs* all = nullptr;
  if (::getifaddrs(&all) != 0) {
    list.status = Status::kFailed;
    list.error = errno;
    return list;
  }
  for (ifaddrs* entry = all; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !(entry->ifa_flags & IFF_UP))
      continue;
    InterfaceAddress address;
    address.interface_name = entry->ifa_name ? entry->ifa_name : "";
    address.address = Ipv4Text(entry->ifa_addr);
    address.netmask = Ipv4Text(entry->ifa_netmask);
    if (entry->ifa_flags & IFF_BROADCAST) address.broadcast = Ipv4Text(entry->ifa_broadaddr);
    address.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
    list.addresses.push_back(std::move(address));
  }
  ::freeifaddrs(all);
  return list;
}

}  // namespace platform::net
