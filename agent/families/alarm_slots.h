#pragma once
// The alarm-threshold slots of the acquisition snapshot: 76 thresholds in the
// console's order, filled by the Alarm collection on the acquisition engine's
// thread and read by the alarm tags (service scheduler) and the alarm watch,
// all under the catalogue lock. Slots keep the library's sentinels, so a
// threshold switched off on the console ("none") reads as not set.

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "agent/acquisition/export_table.h"

namespace agent {

// Slot indexes; numbered sensors are consecutive.
enum AlarmSlot : int {
  kBarRiseAlarm,
  kBarFallAlarm,
  kTimeAlarm,      // hour x 100 + minute
  kTimeTextAlarm,  // the number the time text starts with; the text is beside
  kInsideLowTempAlarm,
  kInsideHiTempAlarm,
  kOutsideLowTempAlarm,
  kOutsideHiTempAlarm,
  kLowInsideHumAlarm,
  kHiInsideHumAlarm,
  kLowOutsideHumAlarm,
  kHiOutsideHumAlarm,
  kLowWindChillAlarm,
  kLowDewPtAlarm,
  kHiDewPtAlarm,
  kHiSolarRadAlarm,
  kHiWindSpeedAlarm,
  kHi10MinWindSpeedAlarm,
  kHiHeatIndexAlarm,
  kHiThswAlarm,
  kHiRainRateAlarm,
  kHiDailyRainAlarm,
  kHiRainStormAlarm,
  kFlashFloodAlarm,
  kHiUvAlarm,
  kHiUvMedAlarm,
  kLowExtraTempAlarm1,
  kHiExtraTempAlarm1 = kLowExtraTempAlarm1 + 7,
  kLowExtraHumAlarm1 = kHiExtraTempAlarm1 + 7,
  kHiExtraHumAlarm1 = kLowExtraHumAlarm1 + 7,
  kLowSoilTempAlarm1 = kHiExtraHumAlarm1 + 7,
  kHiSoilTempAlarm1 = kLowSoilTempAlarm1 + 4,
  kLowSoilMoistureAlarm1 = kHiSoilTempAlarm1 + 4,
  kHiSoilMoistureAlarm1 = kLowSoilMoistureAlarm1 + 4,
  kLowLeafTempAlarm1 = kHiSoilMoistureAlarm1 + 4,
  kHiLeafTempAlarm1 = kLowLeafTempAlarm1 + 2,
  kLowLeafWetAlarm1 = kHiLeafTempAlarm1 + 2,
  kAlarmSlotCount = kLowLeafWetAlarm1 + 2
};

struct AlarmThresholds {
  // Temperatures in °C, pressures in hPa, wind in km/h, rain in mm; the
  // 16-bit slots hold whole numbers.
  std::array<float, kAlarmSlotCount> values{};
  std::string time_text;  // the library's time text ("---" when none)
};

// How a threshold or a reading is printed.
enum class AlarmForm {
  kOneDecimal,
  kNoDecimal,
  kWhole,  // to the nearest whole number
  kText,   // the time text itself
};
std::string FormatAlarmValue(float value, AlarmForm form);

// How the station library gives a threshold and how the agent converts it.
enum class ThresholdRead { kFloat, kWord, kLong, kText };
enum class ThresholdConversion { kNone, kRound, kInHg, kFahrenheit, kMph, kRain };

// One threshold, or one per sensor of a numbered family.
struct AlarmSlotFamily {
  int first_slot;
  int count;
  std::string_view name;  // "InsideLowTemp", "LowExtraTemp"
  Export getter;
  ThresholdRead read;
  ThresholdConversion conversion;
  int first_sensor;  // the getter's argument for sensor 1; 0: no argument
  AlarmForm tag_form;
  std::string_view tag_unit;
};

// The families in slot order; together they cover the 76 slots once.
std::span<const AlarmSlotFamily> AlarmSlotFamilies();

// The family a slot belongs to and the slot's sensor index in it (0-based).
const AlarmSlotFamily& FamilyOfAlarmSlot(int slot, int* index = nullptr);
// The name the slot is described by: "InsideLowTemp", "LowExtraTemp[1]".
std::string AlarmName(int slot);
// The suffix of its "Alarmes_" tag: "InsideLowTemp", "LowExtraTemp_2".
std::string AlarmTagSuffix(int slot);

// True when the threshold is set (a valid station value).
bool IsAlarmSet(const AlarmThresholds& thresholds, int slot);

}  // namespace agent
