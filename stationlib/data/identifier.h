#pragma once
#include <cstdint>

namespace orbisk::data {

// A data identifier names a live, derived or high/low value by bit fields:
// bits 0-4 category, 5-9 unit class, 10-14 period, 16-23 sensor type,
// 24-31 sensor index. Bit 15 is never used by a valid identifier.
struct Identifier {
  std::uint32_t word;

  constexpr unsigned category() const { return word & 0x1F; }
  constexpr unsigned UnitClass() const { return (word >> 5) & 0x1F; }
  constexpr unsigned period() const { return (word >> 10) & 0x1F; }
  constexpr bool bit15() const { return (word >> 15) & 1; }
  constexpr unsigned SensorType() const { return (word >> 16) & 0xFF; }
  constexpr unsigned SensorIndex() const { return word >> 24; }
  // The identifier with its unit class cleared, for rows that accept any unit bits.
  constexpr std::uint32_t WithoutUnit() const { return word & ~0x3E0u; }
};

namespace category {
inline constexpr unsigned kMeasured = 0, kDewPoint = 1, kWindChill = 2, kHeatIndex = 3,
                          kThswIndex = 4, kAirDensity = 11, kThTable = 12, kEvapotranspiration = 13;
}
namespace unit_class {
inline constexpr unsigned kTemperature = 0, kRainDepth = 2, kRainRate = 3, kWindSpeed = 4,
                          kDegrees = 5, kSector = 6, kPressure = 7, kSolar = 10, kUv = 12,
                          kHumidity = 14, kSoilMoisture = 15, kLeafWetness = 16, kStatus = 17,
                          kDensity = 20, kTrend = 21;
}
namespace sensor_type {
inline constexpr unsigned kTemperature = 0, kHumidity = 1, kWindSpeed = 2, kWindDirection = 3,
                          kBarometer = 4, kRain = 5, kRainRate = 6, kSolar = 7, kUv = 8,
                          kSoilMoisture = 9, kLeafWetness = 10, kSunTimes = 11, kConsole = 12;
}
namespace period {
inline constexpr unsigned kCurrent = 0, kDay = 9, kStorm = 21, kMonth = 22, kYear = 23,
                          kLastHour = 27, kLast24Hours = 28;
}

// Sensor indexes: 0 outside, 1 inside, 2-8 extra 1-7, 9-12 soil 1-4, 15-16 leaf 1-2.
constexpr bool IsExtraIndex(unsigned i) {
  return i >= 2 && i <= 8;
}
constexpr bool IsSoilIndex(unsigned i) {
  return i >= 9 && i <= 12;
}
constexpr bool IsLeafIndex(unsigned i) {
  return i == 15 || i == 16;
}
constexpr bool IsHumidityIndex(unsigned i) {
  return i <= 8;
}
constexpr bool IsTemperatureIndex(unsigned i) {
  return i <= 12 || IsLeafIndex(i);
}

}  // namespace orbisk::data
