#pragma once
// The validity test and unit conversions applied to every station value
// before it is published. Each conversion returns its input unchanged when the
// input is not a valid station value, so a sentinel survives it.

#include <cstdint>

namespace agent {

// Rounds to the nearest integer, ties to even (as the publishing rules want).
std::int64_t RoundHalfEven(double value);

// 0 when the value, rounded half to even, is one of the library's error or
// dashed codes (the OrbiskResult codes but success); else 1.
int IsValidStationValue(float value);

float ConvertFahrenheitToCelsius(float fahrenheit);
float ConvertInHgToHectopascal(float inches_of_mercury);
float ConvertKmhToMs(std::int32_t kmh);
float ConvertMphToKmh(std::int32_t mph);
float ConvertFeetToMetres(float feet);
float ScaleRainAmount(float clicks);

}  // namespace agent
