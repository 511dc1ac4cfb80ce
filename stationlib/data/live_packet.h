#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "stationlib/data/context.h"

namespace orbisk::data {

inline constexpr std::size_t kLivePacketSize = 99;

// The fields of the live packet the library keeps, with the dashed markers
// applied (0x8000 in 16-bit cells, 255 in byte cells).
struct CurrentStore {
  std::int16_t barTrend = static_cast<std::int16_t>(0x8000);
  std::uint16_t barometer = 0x8000;
  std::int16_t insideTemp = static_cast<std::int16_t>(0x8000);
  std::uint8_t insideHum = 255;
  std::int16_t outsideTemp = static_cast<std::int16_t>(0x8000);
  std::uint8_t windSpeed = 255;
  std::uint8_t windAvg10 = 255;
  std::uint16_t windDir = 0x8000;
  std::array<std::uint8_t, 7> extraTemp{};
  std::array<std::uint8_t, 4> soilTemp{};
  std::array<std::uint8_t, 2> leafTemp{};
  std::uint8_t outsideHum = 255;
  std::array<std::uint8_t, 7> extraHum{};
  std::uint16_t rainRate = 0;
  std::uint8_t uv = 255;
  std::uint16_t solar = 0x8000;
  std::uint16_t stormRain = 0;
  std::uint16_t stormStart = 0;
  std::uint16_t dayRain = 0, monthRain = 0, yearRain = 0;
  std::uint16_t dayEt = 0, monthEt = 0, yearEt = 0;
  std::array<std::uint8_t, 4> soilMoisture{};
  std::array<std::uint8_t, 2> leafWetness{};
  std::uint8_t repeaterBattery = 0;
  std::array<std::uint8_t, 16> alarms{};
  std::uint8_t txBattery = 0;
  std::uint16_t consoleBattery = 0x8000;
  std::uint8_t forecastIcon = 0;
  std::uint8_t forecastRule = 0;
  std::int16_t sunrise = static_cast<std::int16_t>(0x8000);
  std::int16_t sunset = static_cast<std::int16_t>(0x8000);
  // From the second-format packet (dashed until one is stored).
  std::uint16_t wind2MinAvg = 0x8000;
  std::uint16_t gust10 = 0x8000;
  std::uint16_t lastHourRain = 0x8000;
  std::uint16_t last24Rain = 0x8000;
  std::uint16_t altimeter = 0x8000;
};

// Stores a live packet (checksum already tested). False when the header
// letter is not "L" or the packet type is not 0; the store is then untouched.
bool decodeLivePacket(std::span<const std::uint8_t, kLivePacketSize> packet,
                      const FirmwareFeatures& features, CurrentStore& store);
// Stores the five fields the library keeps from a second-format packet.
void decodeSecondPacket(std::span<const std::uint8_t, kLivePacketSize> packet, CurrentStore& store);

}  // namespace orbisk::data
