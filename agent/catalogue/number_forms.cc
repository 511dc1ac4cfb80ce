#include "agent/catalogue/number_forms.h"

#include <cmath>
#include <cstdio>

#include "agent/catalogue/station_values.h"

namespace agent {

std::string FormatWholeNumber(std::int64_t value) {
  return std::to_string(value);
}

std::string FormatFloatAsWhole(float value) {
  return FormatWholeNumber(RoundHalfEven(value));
}

std::string FormatDecimal(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (!std::isfinite(value)) value = 0.0;
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text = buffer;
  // A value that rounds to zero has no sign: "-0.0" reads as a reading below zero.
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

}  // namespace agent
