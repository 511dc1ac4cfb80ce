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
    {kBarRiseAlarm, 1, "BarRise", "_GetBarRiseAlarm_O@0", R::kFloat, C::kInHg, 0, F::kOneDecimal,
     " Hpa / mb"},
    {kBarFallAlarm, 1, "BarFall", "_GetBarFallAlarm_O@0", R::kFloat, C::kInHg, 0, F::kOneDecimal,
     " Hpa / mb"},
    {kTimeAlarm, 1, "Time", "_GetTimeAlarm_O@0", R::kLong, C::kNone, 0, F::kWhole, ""},
    {kTimeTextAlarm, 1, "TimeStr", "_GetTimeAlarmStr_O@0", R::kText, C::kNone, 0, F::kText, ""},
    {kInsideLowTempAlarm, 1, "InsideLowTemp", "_GetInsideLowTempAlarm_O@0", R::kFloat,
     C::kFahrenheit, 0, F::kNoDecimal, kCelsius},
    {kInsideHiTempAlarm, 1, "InsideHiTemp", "_GetInsideHiTempAlarm_O@0", R::kFloat, C::kFahrenheit,
     0, F::kNoDecimal, kCelsius},
    {kOutsideLowTempAlarm, 1, "OutsideLowTemp", "_GetOutsideLowTempAlarm_O@0", R::kFloat,
     C::kFahrenheit, 0, F::kNoDecimal, kCelsius},
    {kOutsideHiTempAlarm, 1, "OutsideHiTemp", "_GetOutsideHiTempAlarm_O@0", R::kFloat,
     C::kFahrenheit, 0, F::kNoDecimal, kCelsius},
    {kLowInsideHumAlarm, 1, "LowInsideHum", "_GetLowInsideHumAlarm_O@0", R::kWord, C::kNone, 0,
     F::kWhole, kPercent},
    {kHiInsideHumAlarm, 1, "HiInsideHum", "_GetHiInsideHumAlarm_O@0", R::kWord, C::kNone, 0,
     F::kWhole, kPercent},
    {kLowOutsideHumAlarm, 1, "LowOutsideHum", "_GetLowOutsideHumAlarm_O@0", R::kFloat, C::kRound, 0,
     F::kWhole, kPercent},
    {kHiOutsideHumAlarm, 1, "HiOutsideHum", "_GetHiOutsideHumAlarm_O@0", R::kFloat, C::kRound, 0,
     F::kWhole, kPercent},
    {kLowWindChillAlarm, 1, "LowWindChill", "_GetLowWindChillAlarm_O@0", R::kFloat, C::kFahrenheit,
     0, F::kNoDecimal, kCelsius},
    {kLowDewPtAlarm, 1, "LowDewPt", "_GetLowDewPtAlarm_O@0", R::kFloat, C::kFahrenheit, 0,
     F::kNoDecimal, kCelsius},
    {kHiDewPtAlarm, 1, "HiDewPt", "_GetHiDewPtAlarm_O@0", R::kFloat, C::kFahrenheit, 0,
     F::kNoDecimal, kCelsius},
    // Solar radiation is in W/m² and the UV index has no unit (both were printed as " %").
    {kHiSolarRadAlarm, 1, "HiSolarRad", "_GetHiSolarRadAlarm_O@0", R::kWord, C::kNone, 0, F::kWhole,
     " W/m²"},
    {kHiWindSpeedAlarm, 1, "HiWindSpeed", "_GetHiWindSpeedAlarm_O@0", R::kWord, C::kMph, 0,
     F::kWhole, " Km/h"},
    {kHi10MinWindSpeedAlarm, 1, "Hi10MinWindSpeed", "_GetHi10MinWindSpeedAlarm_O@0", R::kWord,
     C::kMph, 0, F::kWhole, " Km/h"},
    {kHiHeatIndexAlarm, 1, "HiHeatIndex", "_GetHiHeatIndexAlarm_O@0", R::kWord, C::kFahrenheit, 0,
     F::kNoDecimal, kCelsius},
    {kHiThswAlarm, 1, "HiTHSW", "_GetHiTHSWAlarm_O@0", R::kWord, C::kFahrenheit, 0, F::kNoDecimal,
     kCelsius},
    {kHiRainRateAlarm, 1, "HiRainRate", "_GetHiRainRateAlarm_O@0", R::kFloat, C::kRain, 0,
     F::kOneDecimal, " mm/hr"},
    {kHiDailyRainAlarm, 1, "HiDailyRain", "_GetHiDailyRainAlarm_O@0", R::kFloat, C::kRain, 0,
     F::kOneDecimal, " mm"},
    {kHiRainStormAlarm, 1, "HiRainStorm", "_GetHiRainStormAlarm_O@0", R::kFloat, C::kRain, 0,
     F::kOneDecimal, " mm"},
    {kFlashFloodAlarm, 1, "FlashFlood", "_GetFlashFloodAlarm_O@0", R::kFloat, C::kRain, 0,
     F::kOneDecimal, " mm"},
    {kHiUvAlarm, 1, "HiUV", "_GetHiUVAlarm_O@0", R::kFloat, C::kNone, 0, F::kWhole, ""},
    {kHiUvMedAlarm, 1, "HiUVMed", "_GetHiUVMedAlarm_O@0", R::kFloat, C::kNone, 0, F::kOneDecimal,
     " Med"},
    // Extra sensors are numbered 2-8 by the library, soil 1-4 and leaf 1-2.
    {kLowExtraTempAlarm1, 7, "LowExtraTemp", "_GetLowExtraTempAlarm_O@4", R::kFloat, C::kFahrenheit,
     2, F::kNoDecimal, kCelsius},
    {kHiExtraTempAlarm1, 7, "HiExtraTemp", "_GetHiExtraTempAlarm_O@4", R::kFloat, C::kFahrenheit, 2,
     F::kNoDecimal, kCelsius},
    {kLowExtraHumAlarm1, 7, "LowExtraHum", "_GetLowExtraHumAlarm_O@4", R::kFloat, C::kRound, 2,
     F::kWhole, kPercent},
    {kHiExtraHumAlarm1, 7, "HiExtraHum", "_GetHiExtraHumAlarm_O@4", R::kFloat, C::kRound, 2,
     F::kWhole, kPercent},
    {kLowSoilTempAlarm1, 4, "LowSoilTemp", "_GetLowSoilTempAlarm_O@4", R::kFloat, C::kFahrenheit, 1,
     F::kNoDecimal, kCelsius},
    {kHiSoilTempAlarm1, 4, "HiSoilTemp", "_GetHiSoilTempAlarm_O@4", R::kFloat, C::kFahrenheit, 1,
     F::kNoDecimal, kCelsius},
    {kLowSoilMoistureAlarm1, 4, "LowSoilMoisture", "_GetLowSoilMoistureAlarm_O@4", R::kFloat,
     C::kNone, 1, F::kWhole, kPercent},
    {kHiSoilMoistureAlarm1, 4, "HiSoilMoisture", "_GetHiSoilMoistureAlarm_O@4", R::kFloat, C::kNone,
     1, F::kWhole, kPercent},
    {kLowLeafTempAlarm1, 2, "LowLeafTemp", "_GetLowLeafTempAlarm_O@4", R::kFloat, C::kFahrenheit, 1,
     F::kNoDecimal, kCelsius},
    {kHiLeafTempAlarm1, 2, "HiLeafTemp", "_GetHiLeafTempAlarm_O@4", R::kFloat, C::kFahrenheit, 1,
     F::kNoDecimal, kCelsius},
    {kLowLeafWetAlarm1, 2, "LowLeafWet", "_GetLowLeafWetAlarm_O@4", R::kFloat, C::kNone, 1,
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
