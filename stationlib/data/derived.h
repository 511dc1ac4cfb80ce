#pragma once
#include "stationlib/data/units.h"

namespace orbisk::data {

// Derived quantities from raw readings: T in degrees F, RH in %, V in mph,
// P in inHg. A dashed input gives a dashed result unless stated.
Reading DewPointF(Reading t, Reading rh);
Reading WindChillF(Reading t, Reading v);
Reading HeatIndexF(Reading t, Reading rh);
// Temperature-humidity-wind index: the heat index with a wind term.
Reading ThswIndexF(Reading t, Reading rh, Reading v);
// Air density in lb/ft3.
Reading AirDensity(Reading t, Reading rh, Reading p_in_hg);
// Temperature-humidity table value (temperature-humidity index).
Reading TemperatureHumidityValue(Reading t, Reading rh);

// Rounds to the nearest tenth, halves upward.
double RoundTenth(double x);

}  // namespace orbisk::data
