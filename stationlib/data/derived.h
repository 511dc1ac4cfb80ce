#pragma once
#include "stationlib/data/units.h"

namespace orbisk::data {

// Derived quantities from raw readings: T in degrees F, RH in %, V in mph,
// P in inHg. A dashed input gives a dashed result unless stated.
Reading dewPointF(Reading t, Reading rh);
Reading windChillF(Reading t, Reading v);
Reading heatIndexF(Reading t, Reading rh);
// Temperature-humidity-wind index: the heat index with a wind term.
Reading thswIndexF(Reading t, Reading rh, Reading v);
// Air density in lb/ft3.
Reading airDensity(Reading t, Reading rh, Reading pInHg);
// Temperature-humidity table value (temperature-humidity index).
Reading temperatureHumidityValue(Reading t, Reading rh);

// Rounds to the nearest tenth, halves upward.
double roundTenth(double x);

}  // namespace orbisk::data
