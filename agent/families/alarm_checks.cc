#include "agent/families/alarm_checks.h"

#include "agent/catalogue/station_values.h"

namespace agent {
namespace {

using T = AlarmTest;
using F = AlarmForm;

constexpr const char* kCelsius = " °c";
constexpr const char* kPercent = " %";
constexpr const char* kRain = " mm";
constexpr int kNoReading = -1;

// The barometer rows compare the rise and fall thresholds with the pressure
// itself, as the console's alarm settings have always been read here.
constexpr AlarmCheck kChecks[] = {
    {kBarRiseAlarm, 1, kBarometer, T::kEqual, F::kOneDecimal, " Hpa / mb"},
    {kBarFallAlarm, 1, kBarometer, T::kEqual, F::kOneDecimal, " Hpa / mb"},
    {kInsideLowTempAlarm, 1, kInsideTemp, T::kBelow, F::kNoDecimal, kCelsius},
    {kInsideHiTempAlarm, 1, kInsideTemp, T::kAbove, F::kNoDecimal, kCelsius},
    {kOutsideLowTempAlarm, 1, kOutsideTemp, T::kBelow, F::kNoDecimal, kCelsius},
    {kOutsideHiTempAlarm, 1, kOutsideTemp, T::kAbove, F::kNoDecimal, kCelsius},
    {kLowInsideHumAlarm, 1, kInsideHumidity, T::kBelow, F::kWhole, kPercent},
    {kHiInsideHumAlarm, 1, kInsideHumidity, T::kAbove, F::kWhole, kPercent},
    {kLowOutsideHumAlarm, 1, kOutsideHumidity, T::kBelow, F::kWhole, kPercent},
    {kHiOutsideHumAlarm, 1, kOutsideHumidity, T::kAbove, F::kWhole, kPercent},
    {kLowWindChillAlarm, 1, kWindChill, T::kBelow, F::kNoDecimal, kCelsius},
    {kLowDewPtAlarm, 1, kDewPoint, T::kBelow, F::kNoDecimal, kCelsius},
    {kHiDewPtAlarm, 1, kDewPoint, T::kAbove, F::kNoDecimal, kCelsius},
    {kHiSolarRadAlarm, 1, kSolarRadiation, T::kAbove, F::kWhole, " W/m²"},
    {kHiWindSpeedAlarm, 1, kWindSpeed, T::kAbove, F::kWhole, " Km/h"},
    {kHi10MinWindSpeedAlarm, 1, kWind10MinAverage, T::kAbove, F::kWhole, " Km/h"},
    {kHiHeatIndexAlarm, 1, kHeatIndex, T::kAbove, F::kNoDecimal, kCelsius},
    {kHiThswAlarm, 1, kThswIndex, T::kAbove, F::kNoDecimal, kCelsius},
    {kHiRainRateAlarm, 1, kRainRate, T::kAbove, F::kOneDecimal, kRain},
    {kHiDailyRainAlarm, 1, kDailyRain, T::kAbove, F::kOneDecimal, kRain},
    {kHiRainStormAlarm, 1, kStormRain, T::kAbove, F::kOneDecimal, kRain},
    {kFlashFloodAlarm, 1, kNoReading, T::kThresholdIsZero, F::kOneDecimal, kRain},
    {kHiUvAlarm, 1, kUvIndex, T::kAbove, F::kWhole, ""},
    // The UV dose threshold has no live dose to compare with (the UV index is no dose).
    {kHiUvMedAlarm, 1, kNoReading, T::kNever, F::kOneDecimal, " Med"},
    {kLowExtraTempAlarm1, 7, kExtraTemp1, T::kBelow, F::kNoDecimal, kCelsius},
    {kHiExtraTempAlarm1, 7, kExtraTemp1, T::kAbove, F::kNoDecimal, kCelsius},
    {kLowExtraHumAlarm1, 7, kExtraHumidity1, T::kBelow, F::kWhole, kPercent},
    {kHiExtraHumAlarm1, 7, kExtraHumidity1, T::kAbove, F::kWhole, kPercent},
    {kLowSoilTempAlarm1, 4, kSoilTemp1, T::kBelow, F::kNoDecimal, kCelsius},
    {kHiSoilTempAlarm1, 4, kSoilTemp1, T::kAbove, F::kNoDecimal, kCelsius},
    {kLowSoilMoistureAlarm1, 4, kSoilMoisture1, T::kBelow, F::kWhole, kPercent},
    {kHiSoilMoistureAlarm1, 4, kSoilMoisture1, T::kAbove, F::kWhole, kPercent},
    {kLowLeafTempAlarm1, 2, kLeafTemp1, T::kBelow, F::kNoDecimal, kCelsius},
    {kHiLeafTempAlarm1, 2, kLeafTemp1, T::kAbove, F::kNoDecimal, kCelsius},
    {kLowLeafWetAlarm1, 2, kLeafWetness1, T::kBelow, F::kWhole, kPercent},
};

bool Holds(AlarmTest test, float reading, float threshold) {
  switch (test) {
    case T::kBelow:
      return reading < threshold;
    case T::kAbove:
      return reading > threshold;
    case T::kEqual:
      return reading == threshold;
    case T::kThresholdIsZero:
      return threshold == 0.0f;
    case T::kNever:
      break;
  }
  return false;
}

}  // namespace

std::span<const AlarmCheck> AlarmChecks() {
  return kChecks;
}

void RunAlarmChecks(const AlarmThresholds& thresholds, const CurrentDataSlots& current,
                    const RaiseAlarm& raise) {
  for (const AlarmCheck& check : kChecks) {
    for (int n = 0; n < check.count; ++n) {
      const int slot = check.slot + n;
      if (!IsAlarmSet(thresholds, slot)) continue;
      // The flash-flood row shows the constant 0.0 in place of a reading.
      const bool has_reading = check.reading != kNoReading;
      const float reading = has_reading ? current.values[check.reading + n] : 0.0f;
      // A lost sensor's sentinel is no reading, though it is below every low threshold.
      if (has_reading && IsValidStationValue(reading) != 1) continue;
      if (Holds(check.test, reading, thresholds.values[slot]))
        raise(slot, FormatAlarmValue(reading, check.form) + std::string(check.unit));
    }
  }
}

}  // namespace agent
