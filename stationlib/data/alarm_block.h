#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "stationlib/data/context.h"

namespace orbisk::data {

inline constexpr unsigned kAlarmAddress = 82;
inline constexpr std::size_t kAlarmBlockSize = 94;

// How a threshold is encoded in the alarm block.
enum class AlarmEncoding {
  kBarometer,       // byte, thousandths of inHg, none 0
  kTemperature90,   // byte, F + 90, none 255
  kTemperature120,  // byte, F + 120, none 255
  kPercent,         // byte, %, none 255
  kPercentOrZero,   // byte, %, none 255 or 0
  kWind,            // byte, mph, none 255
  kTenths,          // byte, tenths (UV index, UV dose), none 255
  kPlain,           // byte as is (soil moisture, leaf wetness), none 255
  kSolar,           // 16-bit W/m2, none 0 or 0x7FFF
  kRain,            // 16-bit clicks, none 0xFFFF or 0x7FFF
};

struct AlarmField {
  unsigned offset;
  AlarmEncoding encoding;
};

// Per-sensor families: where the low and high thresholds of sensor n lie.
enum class SensorAlarm { kExtraTemp, kExtraHum, kSoilTemp, kSoilMoisture, kLeafTemp, kLeafWet };
// The field of a per-sensor threshold; false when the sensor number is out
// of range (extra sensors 2-8, soil 1-4, leaf 1-2).
bool SensorAlarmField(SensorAlarm family, int sensor, bool high, AlarmField& out);

// The 94-byte alarm block of the console.
struct AlarmBlock {
  std::array<std::uint8_t, kAlarmBlockSize> bytes{};

  // Every alarm switched off.
  static AlarmBlock none();

  bool IsNone(const AlarmField& f) const;
  // The threshold in the caller's units, false when switched off. `exact`
  // keeps wind speeds unrounded (the Ex getters).
  bool Get(const AlarmField& f, const QueryContext& ctx, double& value, bool exact = false) const;
  // Stores a threshold given in the caller's units: kOk, or kBadArgument
  // after switching the alarm off when the value does not fit.
  int Put(const AlarmField& f, double value, const QueryContext& ctx);
  void Clear(const AlarmField& f);

  // Time alarm: hour x 100 + minute, or -1 when off.
  int TimeAlarm() const;
  // "h:mm", "hh:mm" (":" or "."): kOk, or kBadArgument after switching it off.
  int PutTimeAlarm(const char* text);
  void ClearTimeAlarm();
};

}  // namespace orbisk::data
