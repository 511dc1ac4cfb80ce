#include "agent/families/alarm_thresholds.h"

#include <cstdlib>

#include "agent/acquisition/station_calls.h"
#include "agent/catalogue/station_values.h"
#include "agent/families/rain_scale.h"

namespace agent {
namespace {

constexpr float kDashed = kOrbiskValueDashed;

float Read(StationLibrary& library, const AlarmSlotFamily& family, int index) {
  const StationArgs with_sensor = {family.first_sensor + index};
  const StationArgs args = family.first_sensor != 0 ? with_sensor : StationArgs{};
  switch (family.read) {
    case ThresholdRead::kFloat:
      return library.CallStationFloat(family.getter, args);
    case ThresholdRead::kWord:
      return library.CallStationWord(family.getter, args);
    case ThresholdRead::kLong:
      // The time alarm is a 16-bit slot.
      return static_cast<std::int16_t>(library.CallStationLong(family.getter, args));
    case ThresholdRead::kText:
      break;
  }
  return kDashed;
}

float Convert(float value, ThresholdConversion conversion, std::int32_t rain_collector) {
  switch (conversion) {
    case ThresholdConversion::kNone:
      return value;
    case ThresholdConversion::kRound:
      return static_cast<float>(RoundHalfEven(value));
    case ThresholdConversion::kInHg:
      return ConvertInHgToHectopascal(value);
    case ThresholdConversion::kFahrenheit:
      return ConvertFahrenheitToCelsius(value);
    case ThresholdConversion::kMph:
      return ConvertMphToKmh(static_cast<std::int32_t>(value));
    case ThresholdConversion::kRain:
      return ScaleRain(value, rain_collector);
  }
  return value;
}

// The time text counts as set when it starts with a number ("7:30a"); the
// library's "---" for no alarm is not a time.
float LeadingNumber(const std::string& text) {
  char* end = nullptr;
  const long number = std::strtol(text.c_str(), &end, 10);
  return end == text.c_str() ? kDashed : static_cast<float>(number);
}

}  // namespace

int AcquireAlarmThresholds(StationLibrary& library, const FamilySlots& families,
                           AlarmThresholds& thresholds) {
  if (IsValidStationValue(library.CallStationWord(Export::kLoadOrbiskAlarms)) != 1) return 0;
  const std::int32_t rain_collector = families.configuration.rain_collector;
  for (const AlarmSlotFamily& family : AlarmSlotFamilies()) {
    for (int n = 0; n < family.count; ++n) {
      float& slot = thresholds.values[family.first_slot + n];
      if (family.read == ThresholdRead::kText) {
        // The library's own text, copied at once: the pointer is only good until its next call.
        thresholds.time_text = GetTimeAlarmStr(library);
        slot = LeadingNumber(thresholds.time_text);
      } else {
        slot = Convert(Read(library, family, n), family.conversion, rain_collector);
      }
    }
  }
  return 1;
}

}  // namespace agent
