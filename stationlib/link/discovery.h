// Discovery of the network data logger by its device identifier over UDP.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace orbisk::link {

inline constexpr std::uint16_t kDiscoveryPort = 22222;
inline constexpr std::size_t kDiscoveryReplySize = 31;

// Whether `address` is a device identifier ("00:1A:2B:3C:4D:5E"): a ":" as
// third character.
bool IsDeviceIdentifier(const std::string& address);

// Parses one discovery datagram: the identifier text when it is a valid
// reply (exactly 31 bytes starting with "discovernbip").
std::optional<std::string> ParseDiscoveryReply(const std::uint8_t* data, std::size_t size);

// Searches the network for loggers and returns the address of `deviceId`.
std::optional<std::string> DiscoverDevice(const std::string& device_id);

}  // namespace orbisk::link
