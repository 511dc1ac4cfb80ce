#pragma once
// The number forms of catalogue texts.

#include <cstdint>
#include <string>

namespace agent {

// Decimal digits, "-" when negative, no leading zeros, no grouping.
std::string FormatWholeNumber(std::int64_t value);
// A float published as a whole number: rounded to nearest, ties to even.
std::string FormatFloatAsWhole(float value);
// Fixed-point with exactly `decimals` digits after "." (0: no point), rounded
// to nearest. Uses "." whatever the locale.
std::string FormatDecimal(double value, int decimals);

}  // namespace agent
