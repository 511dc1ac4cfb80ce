#pragma once
// The acquisition snapshot's slots of the current-data, high/low and station
// configuration families. The collections fill them on the acquisition
// engine's thread and the builders read them on the service scheduler's
// thread, both under the catalogue lock. Slots keep the library's sentinels.

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "agent/catalogue/position_text.h"
#include "stationlib/api/OrbiskPro.h"

namespace agent {

// Numeric current-data slots, by index (numbered sensors are consecutive).
enum CurrentSlot : int {
  kInsideTemp,
  kOutsideTemp,
  kInsideHumidity,
  kOutsideHumidity,
  kWindSpeed,         // km/h of the whole mph
  kWind2MinAverage,   // km/h
  kWind10MinAverage,  // km/h
  kGust10Min,         // km/h
  kWindDirection,     // degrees
  kBarometer,         // hPa
  kWindChill,
  kHeatIndex,
  kDewPoint,
  kDailyRain,  // mm, as every rain slot
  kRainRate,
  kMonthlyRain,
  kStormRain,
  kTotalRain,
  kLastHourRain,
  kLast24HourRain,
  kSolarRadiation,
  kUvIndex,
  kThwIndex,   // whole °C
  kThswIndex,  // whole °C
  kAltimeter,  // the library's whole number
  kDayEt,      // inches, as the library gives them
  kMonthEt,
  kYearEt,
  kExtraTemp1,
  kExtraHumidity1 = kExtraTemp1 + 7,
  kSoilTemp1 = kExtraHumidity1 + 7,
  kSoilMoisture1 = kSoilTemp1 + 4,
  kLeafTemp1 = kSoilMoisture1 + 4,
  kLeafWetness1 = kLeafTemp1 + 2,
  kForecastIcon = kLeafWetness1 + 2,
  kCurrentSlotCount
};

struct CurrentDataSlots {
  std::array<float, kCurrentSlotCount> values{};
  std::string wind_sector;
  std::string trend;
  std::string forecast_codes;  // "4;18;"
  OrbiskDateTime sunrise{};
  OrbiskDateTime sunset{};
  // Group name -> next due time in monotonic seconds; absent is due.
  std::map<std::string, std::int64_t, std::less<>> group_due;
};

inline constexpr int kHighLowQuantityCount = 39;
// Day high, day low, month high, month low, year high, year low.
inline constexpr int kHighLowPeriodSlots = 6;

struct HighLowSlots {
  std::array<std::array<float, kHighLowPeriodSlots>, kHighLowQuantityCount> values{};
  // Times of the day high [0] and day low [1].
  std::array<std::array<OrbiskDateTime, 2>, kHighLowQuantityCount> day_times{};
};

struct StationConfigurationSlots {
  float console_voltage = 0;
  float transmitter_status = 0;  // bit mask, bit n-1 set: transmitter n low
  float repeater_status = 0;
  OrbiskTimeZone time_zone{};
  // Packets received, missed, resynchronisations, longest good run, CRC errors.
  std::array<std::int32_t, 5> reception{};
  OrbiskDateTime firmware_date{};
  OrbiskPosition latitude{};
  OrbiskPosition longitude{};
  std::string firmware_version;
  std::string firmware_date_text;
  std::string wind_cup_text;
  std::string model_text;
  std::string latitude_text;
  std::string longitude_text;
  std::int16_t archive_period = 0;
  std::int16_t archive_type = 0;
  std::int16_t rain_collector = -1;  // -1: not read yet
  // Type codes of transmitters 1..8, then their identifiers.
  std::array<std::int16_t, 16> transmitters{};
};

struct FamilySlots {
  CurrentDataSlots current;
  HighLowSlots highs_lows;
  StationConfigurationSlots configuration;
};

}  // namespace agent
