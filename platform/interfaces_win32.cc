// IPv4 addresses of the interfaces, from the IP helper's adapter list.
#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/net_internal.h"

// After winsock2.h (through net_internal.h), which it needs.
#include <iphlpapi.h>

namespace platform::net {
namespace {

std::string Ipv4Text(std::uint32_t host_order) {
  in_addr address{};
  address.s_addr = htonl(host_order);
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

std::string Utf8Of(const wchar_t* wide) {
  if (!wide || !*wide) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  text.pop_back();  // the final NUL
  return text;
}

}  // namespace

InterfaceList LocalIpv4Addresses() {
  InterfaceList list;
  detail::StartSockets();  // for inet_ntop
  constexpr ULONG kFlags =
      GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  // The list's size is known only by asking; it may grow between two calls.
  ULONG size = 16 * 1024;
  std::vector<std::uint8_t> buffer;
  ULONG result;
  do {
    buffer.resize(size);
    result = ::GetAdaptersAddresses(AF_INET, kFlags, nullptr,
                                    reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  } while (result == ERROR_BUFFER_OVERFLOW);
  if (result == ERROR_NO_DATA) return list;
  if (result != NO_ERROR) {
    list.status = Status::kFailed;
    list.error = result == ERROR_NOT_ENOUGH_MEMORY ? ENOMEM : EIO;
    return list;
  }
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter;
       adapter = adapter->Next) {
    if (adapter->OperStatus != IfOperStatusUp) continue;
    const bool loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
    const std::string name = Utf8Of(adapter->FriendlyName);
    for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
      const sockaddr* raw = unicast->Address.lpSockaddr;
      if (!raw || raw->sa_family != AF_INET) continue;
      const std::uint32_t address =
          ntohl(reinterpret_cast<const sockaddr_in*>(raw)->sin_addr.s_addr);
      const unsigned prefix = unicast->OnLinkPrefixLength > 32 ? 32 : unicast->OnLinkPrefixLength;
      const std::uint32_t mask = prefix == 0 ? 0 : 0xffffffffu << (32 - prefix);
      InterfaceAddress entry;
      entry.interface_name = name;
      entry.address = Ipv4Text(address);
      entry.netmask = Ipv4Text(mask);
      // Loopback has no broadcast address, as on the other systems.
      if (!loopback) entry.broadcast = Ipv4Text((address & mask) | ~mask);
      entry.loopback = loopback;
      list.addresses.push_back(std::move(entry));
    }
  }
  return list;
}

}  // namespace platform::net
