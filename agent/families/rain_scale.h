#pragma once
// Rain amounts in millimetres. The library gives rain in inches of its own
// collector setting; the factor to millimetres follows the collector that the
// station configuration last read: code 1 (0.01 in) x 25.4, code 2 (0.2 mm)
// x 20, code 6 (0.1 mm) x 10, and x 20 while no collector is known. Rain
// tags, rain highs and lows and rain alarm thresholds all use it.

#include <cstdint>

namespace agent {

float RainScaleFactor(std::int32_t collector_code);
// value x factor, or the value unchanged when it is not a valid station value.
float ScaleRain(float value, std::int32_t collector_code);

}  // namespace agent
