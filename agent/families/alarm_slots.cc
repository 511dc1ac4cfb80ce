#include "agent/families/alarm_slots.h"

#include "agent/catalogue/number_forms.h"
#include "agent/catalogue/station_values.h"

namespace agent {
namespace {

using R = ThresholdRead;
using C = ThresholdConversion;
using F = AlarmForm;

constexpr const char* kCelsius = " °c";
constexpr const char* kPercent = " %";

// Getters, reads and conversions as the console's alarm block gives them;
// forms and units of the published "Alarmes_" texts.
constexpr AlarmSlotFamily kFamilies[] = {
    {kBarRiseAlarm, 1, "BarRise", Export::kGetBarRiseAlarm, R::kFloat, C::kInHg, 0, F::kOneDecimal,
     " Hpa / mb"},
    {kBarFallAlarm, 1, "BarFall", Export::kGetBarFallAlarm, R::kFloat, C::kInHg, 0, F::kOneDecimal,
     " Hpa / mb"},
    {kTimeAlarm, 1, "Time", Export::kGetTimeAlarm, R::kLong, C::kNone, 0, F::kWhole, ""},
    {kTimeTextAlarm, 1, "TimeStr", Export::kGetTimeAlarmStr, R::kText, C::kNone, 0, F::kText, ""},
    {kInsideLowTempAlarm, 1, "InsideLowTemp", Export::kGetInsideLowTempAlarm, R::kFloat,
     C::kFahrenheit, 0, F::kNoDecimal, kCelsius},
    {kInsideHiTempAlarm, 1, "InsideHiTemp", Export::kGetInsideHiTempAlarm, R::kFloat,
     C::kFahrenheit, 0, F::kNoDecimal, kCelsius},
    {kOutsideLowTempAlarm, 1, "OutsideLowTemp", Export::kGetOutsideLowTempAlarm, R::kFloat,
     C::kFahrenheit, 0, F::kNoDecimal, kCelsius},
    {kOutsideHiTempAlarm, 1, "OutsideHiTemp", Export::kGetOutsideHiTempAlarm, R::kFloat,
     C::kFahrenheit, 0, F::kNoDecimal, kCelsius},
    {kLowInsideHumAlarm, 1, "LowInsideHum", Export::kGetLowInsideHumAlarm, R::kWord, C::kNone, 0,
     F::kWhole, kPercent},
    {kHiInsideHumAlarm, 1, "HiInsideHum", Export::kGetHiInsideHumAlarm, R::kWord, C::kNone, 0,
     F::kWhole, kPercent},
    {kLowOutsideHumAlarm, 1, "LowOutsideHum", Export::kGetLowOutsideHumAlarm, R::kFloat, C::kRound,
     0, F::kWhole, kPercent},
    {kHiOutsideHumAlarm, 1, "HiOutsideHum", Export::kGetHiOutsideHumAlarm, R::kFloat, C::kRound, 0,
     F::kWhole, kPercent},
    {kLowWindChillAlarm, 1, "LowWindChill", Export::kGetLowWindChillAlarm, R::kFloat,
     C::kFahrenheit, 0, F::kNoDecimal, kCelsius},
    {kLowDewPtAlarm, 1, "LowDewPt", Export::kGetLowDewPtAlarm, R::kFloat, C::kFahrenheit, 0,
     F::kNoDecimal, kCelsius},
    {kHiDewPtAlarm, 1, "HiDewPt", Export::kGetHiDewPtAlarm, R::kFloat, C::kFahrenheit, 0,
     F::kNoDecimal, kCelsius},
    // Solar radiation is in W/m² and the UV index has no unit (both were printed as " %").
    {kHiSolarRadAlarm, 1, "HiSolarRad", Export::kGetHiSolarRadAlarm, R::kWord, C::kNone, 0,
     F::kWhole, " W/m²"},
    {kHiWindSpeedAlarm, 1, "HiWindSpeed", Export::kGetHiWindSpeedAlarm, R::kWord, C::kMph, 0,
     F::kWhole, " Km/h"},
    {kHi10MinWindSpeedAlarm, 1, "Hi10MinWindSpeed", Export::kGetHi10MinWindSpeedAlarm, R::kWord,
     C::kMph, 0, F::kWhole, " Km/h"},
    {kHiHeatIndexAlarm, 1, "HiHeatIndex", Export::kGetHiHeatIndexAlarm, R::kWord, C::kFahrenheit, 0,
     F::kNoDecimal, kCelsius},
    {kHiThswAlarm, 1, "HiTHSW", Export::kGetHiTHSWAlarm, R::kWord, C::kFahrenheit, 0, F::kNoDecimal,
     kCelsius},
    {kHiRainRateAlarm, 1, "HiRainRate", Export::kGetHiRainRateAlarm, R::kFloat, C::kRain, 0,
     F::kOneDecimal, " mm/hr"},
    {kHiDailyRainAlarm, 1, "HiDailyRain", Export::kGetHiDailyRainAlarm, R::kFloat, C::kRain, 0,
     F::kOneDecimal, " mm"},
    {kHiRainStormAlarm, 1, "HiRainStorm", Export::kGetHiRainStormAlarm, R::kFloat, C::kRain, 0,
     F::kOneDecimal, " mm"},
    {kFlashFloodAlarm, 1, "FlashFlood", Export::kGetFlashFloodAlarm, R::kFloat, C::kRain, 0,
     F::kOneDecimal, " mm"},
    {kHiUvAlarm, 1, "HiUV", Export::kGetHiUVAlarm, R::kFloat, C::kNone, 0, F::kWhole, ""},
    {kHiUvMedAlarm, 1, "HiUVMed", Export::kGetHiUVMedAlarm, R::kFloat, C::kNone, 0, F::kOneDecimal,
     " Med"},
    // Extra sensors are numbered 2-8 by the library, soil 1-4 and leaf 1-2.
    {kLowExtraTempAlarm1, 7, "LowExtraTemp", Export::kGetLowExtraTempAlarm, R::kFloat,
     C::kFahrenheit, 2, F::kNoDecimal, kCelsius},
    {kHiExtraTempAlarm1, 7, "HiExtraTemp", Export::kGetHiExtraTempAlarm, R::kFloat, C::kFahrenheit,
     2, F::kNoDecimal, kCelsius},
    {kLowExtraHumAlarm1, 7, "LowExtraHum", Export::kGetLowExtraHumAlarm, R::kFloat, C::kRound, 2,
     F::kWhole, kPercent},
    {kHiExtraHumAlarm1, 7, "HiExtraHum", Export::kGetHiExtraHumAlarm, R::kFloat, C::kRound, 2,
     F::kWhole, kPercent},
    {kLowSoilTempAlarm1, 4, "LowSoilTemp", Export::kGetLowSoilTempAlarm, R::kFloat, C::kFahrenheit,
     1, F::kNoDecimal, kCelsius},
    {kHiSoilTempAlarm1, 4, "HiSoilTemp", Export::kGetHiSoilTempAlarm, R::kFloat, C::kFahrenheit, 1,
     F::kNoDecimal, kCelsius},
    {kLowSoilMoistureAlarm1, 4, "LowSoilMoisture", Export::kGetLowSoilMoistureAlarm, R::kFloat,
     C::kNone, 1, F::kWhole, kPercent},
    {kHiSoilMoistureAlarm1, 4, "HiSoilMoisture", Export::kGetHiSoilMoistureAlarm, R::kFloat,
     C::kNone, 1, F::kWhole, kPercent},
    {kLowLeafTempAlarm1, 2, "LowLeafTemp", Export::kGetLowLeafTempAlarm, R::kFloat, C::kFahrenheit,
     1, F::kNoDecimal, kCelsius},
    {kHiLeafTempAlarm1, 2, "HiLeafTemp", Export::kGetHiLeafTempAlarm, R::kFloat, C::kFahrenheit, 1,
     F::kNoDecimal, kCelsius},
    {kLowLeafWetAlarm1, 2, "LowLeafWet", Export::kGetLowLeafWetAlarm, R::kFloat, C::kNone, 1,
     F::kWhole, kPercent},
};

}  // namespace

std::string FormatAlarmValue(float value, AlarmForm form) {
  switch (form) {
    case AlarmForm::kOneDecimal:
      return FormatDecimal(value, 1);
    case AlarmForm::kNoDecimal:
      return FormatDecimal(value, 0);
    case AlarmForm::kWhole:
    case AlarmForm::kText:
      break;
  }
  return FormatFloatAsWhole(value);
}

std::span<const AlarmSlotFamily> AlarmSlotFamilies() {
  return kFamilies;
}

const AlarmSlotFamily& FamilyOfAlarmSlot(int slot, int* index) {
  for (const AlarmSlotFamily& family : kFamilies) {
    if (slot >= family.first_slot && slot < family.first_slot + family.count) {
      if (index != nullptr) *index = slot - family.first_slot;
      return family;
    }
  }
  // Every slot index belongs to a family: the table covers them all.
  return kFamilies[0];
}

std::string AlarmName(int slot) {
  int index = 0;
  const AlarmSlotFamily& family = FamilyOfAlarmSlot(slot, &index);
  if (family.count == 1) return std::string(family.name);
  return std::string(family.name) + "[" + std::to_string(index) + "]";
}

std::string AlarmTagSuffix(int slot) {
  int index = 0;
  const AlarmSlotFamily& family = FamilyOfAlarmSlot(slot, &index);
  if (family.count == 1) return std::string(family.name);
  return std::string(family.name) + "_" + std::to_string(index + 1);
}

bool IsAlarmSet(const AlarmThresholds& thresholds, int slot) {
  return IsValidStationValue(thresholds.values[slot]) == 1;
}

}  // namespace agent
