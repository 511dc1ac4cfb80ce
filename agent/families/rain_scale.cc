#include "agent/families/rain_scale.h"

#include "agent/catalogue/station_values.h"

namespace agent {

float RainScaleFactor(std::int32_t collector_code) {
  switch (collector_code) {
    case 1:
      return 25.4f;
    case 6:
      return 10.0f;
    default:
      return 20.0f;
  }
}

float ScaleRain(float value, std::int32_t collector_code) {
  return IsValidStationValue(value) ? value * RainScaleFactor(collector_code) : value;
}

}  // namespace agent
