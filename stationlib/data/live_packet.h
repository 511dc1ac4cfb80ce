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
  std::int16_t bar_trend = static_cast<std::int16_t>(0x8000);
  std::uint16_t barometer = 0x8000;
  std::int16_t inside_temp = static_cast<std::int16_t>(0x8000);
  std::uint8_t inside_hum = 255;
  std::int16_t outside_temp = static_cast<std::int16_t>(0x8000);
  std::uint8_t wind_speed = 255;
  std::uint8_t wind_avg10 = 255;
  std::uint16_t wind_dir = 0x8000;
  std::array<std::uint8_t, 7> extra_temp{};
  std::array<std::uint8_t, 4> soil_temp{};
  std::array<std::uint8_t, 2> leaf_temp{};
  std::uint8_t outside_hum = 255;
  std::array<std::uint8_t, 7> extra_hum{};
  std::uint16_t rain_rate = 0;
  std::uint8_t uv = 255;
  std::uint16_t solar = 0x8000;
  std::uint16_t storm_rain = 0;
  std::uint16_t storm_start = 0;
  std::uint16_t day_rain = 0, month_rain = 0, year_rain = 0;
  std::uint16_t day_et = 0, month_et = 0, year_et = 0;
  std::array<std::uint8_t, 4> soil_moisture{};
  std::array<std::uint8_t, 2> leaf_wetness{};
  std::uint8_t repeater_battery = 0;
  std::array<std::uint8_t, 16> alarms{};
  std::uint8_t tx_battery = 0;
  std::uint16_t console_battery = 0x8000;
  std::uint8_t forecast_icon = 0;
  std::uint8_t forecast_rule = 0;
  std::int16_t sunrise = static_cast<std::int16_t>(0x8000);
  std::int16_t sunset = static_cast<std::int16_t>(0x8000);
  // From the second-format packet (dashed until one is stored).
  std::uint16_t wind2_min_avg = 0x8000;
  std::uint16_t gust10 = 0x8000;
  std::uint16_t last_hour_rain = 0x8000;
  std::uint16_t last24_rain = 0x8000;
  std::uint16_t altimeter = 0x8000;
};

// Stores a live packet (checksum already tested). False when the header
// letter is not "L" or the packet type is not 0; the store is then untouched.
bool DecodeLivePacket(std::span<const std::uint8_t, kLivePacketSize> packet,
                      const FirmwareFeatures& features, CurrentStore& store);
// Stores the five fields the library keeps from a second-format packet.
void DecodeSecondPacket(std::span<const std::uint8_t, kLivePacketSize> packet, CurrentStore& store);

}  // namespace orbisk::data
