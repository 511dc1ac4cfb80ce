#include "agent/catalogue/station_values.h"

#include <cmath>
#include <limits>

#include "stationlib/api/OrbiskPro.h"

namespace agent {
namespace {

// The library's error codes, its dashed value and the two out-of-range marks.
constexpr std::int64_t kInvalidValues[] = {kOrbiskInitialisationTimeout,
                                           kOrbiskCommFailure,
                                           kOrbiskOutOfMemory,
                                           kOrbiskNoLinkOpen,
                                           kOrbiskNoDataLoaded,
                                           kOrbiskInvalidIdentifier,
                                           kOrbiskBufferMissing,
                                           kOrbiskInvalidArgument,
                                           kOrbiskValueDashedUnsigned,
                                           kOrbiskValueOutOfRange,
                                           kOrbiskValueDashed};

bool Valid(float value) {
  return IsValidStationValue(value) == 1;
}

}  // namespace

std::int64_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLimit = 9.0e18;
  if (value >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (value <= -kLimit) return std::numeric_limits<std::int64_t>::min();
  // The default floating-point rounding mode rounds ties to even.
  return static_cast<std::int64_t>(std::nearbyint(value));
}

int IsValidStationValue(float value) {
  // A NaN or an infinity is no reading either: it would publish as "nan".
  if (!std::isfinite(value)) return 0;
  std::int64_t rounded = RoundHalfEven(value);
  for (std::int64_t invalid : kInvalidValues)
    if (rounded == invalid) return 0;
  return 1;
}

float ConvertFahrenheitToCelsius(float fahrenheit) {
  return Valid(fahrenheit) ? (fahrenheit - 32.0f) * 5.0f / 9.0f : fahrenheit;
}

float ConvertInHgToHectopascal(float inches_of_mercury) {
  return Valid(inches_of_mercury) ? inches_of_mercury * 33.865f : inches_of_mercury;
}

float ConvertKmhToMs(std::int32_t kmh) {
  float value = static_cast<float>(kmh);
  return Valid(value) ? value * 0.2777778f : value;
}

float ConvertMphToKmh(std::int32_t mph) {
  float value = static_cast<float>(mph);
  return Valid(value) ? value * 1.61f : value;
}

float ConvertFeetToMetres(float feet) {
  return Valid(feet) ? feet * 0.3047851f : feet;
}

float ScaleRainAmount(float clicks) {
  return Valid(clicks) ? clicks / 5.0f * 100.0f : clicks;
}

}  // namespace agent
