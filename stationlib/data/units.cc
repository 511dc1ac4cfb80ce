#include "stationlib/data/units.h"

namespace orbisk::data {

double FahrenheitToCelsius(double f) {
  return (f - 32.0) * 5.0 / 9.0;
}
double CelsiusToFahrenheit(double c) {
  return c * 9.0 / 5.0 + 32.0;
}

Reading TenthsFahrenheit(std::int16_t raw, const Units& u) {
  if (raw == 0x7FFF || raw == static_cast<std::int16_t>(0x8000)) return std::nullopt;
  if (u.temperature == 1) return (raw - 320.0) * 5.0 / 90.0;
  return raw / 10.0;
}

Reading ByteTemperature(std::uint8_t raw, const Units& u) {
  if (raw == 255) return std::nullopt;
  const double f = raw - 90.0;
  return u.temperature == 1 ? FahrenheitToCelsius(f) : f;
}

Reading TemperatureFromFahrenheit(Reading f, const Units& u) {
  if (!f) return std::nullopt;
  return u.temperature == 1 ? FahrenheitToCelsius(*f) : *f;
}

double PressureFromThousandths(double thousandths, const Units& u) {
  switch (u.barometer) {
    case 1:
      return thousandths * 0.0254;
    case 2:
    case 3:
      return thousandths * 0.033864;
    default:
      return thousandths / 1000.0;
  }
}

Reading Barometer(std::uint16_t raw, const Units& u) {
  if (raw == 0x7FFF || raw == 0x8000 || raw < 16000) return std::nullopt;
  return PressureFromThousandths(raw, u);
}

double WindFromMph(double mph, const Units& u) {
  switch (u.wind) {
    case 1:
      return mph / 1.15;
    case 2:
      return mph * 1.609344;
    case 3:
      return mph * 0.44704;
    default:
      return mph;
  }
}

Reading WindSpeed(std::uint8_t mph, const Units& u) {
  if (mph == 255) return std::nullopt;
  return WindFromMph(mph, u);
}

bool RainCollector::Set(int new_model) {
  if (new_model < 0 || new_model > 6) {
    model = 1;
    return false;
  }
  model = new_model;
  return true;
}

double RainCollector::ClickInches() const {
  static constexpr double kClick[7] = {0.1,  0.01,        0.007874016, 0.03937,
                                       0.01, 0.007874016, 0.003937};
  return kClick[model];
}

Reading RainTotal(std::uint16_t clicks, int model, const Units& u) {
  switch (model) {
    case 1:
      return u.rain == 1 ? clicks * 0.01 * 25.4 : clicks * 0.01;
    case 2:
      return u.rain == 1 ? clicks * 0.2 : clicks * 0.2 / 25.4;
    case 6:
      return u.rain == 1 ? clicks * 0.1 : clicks * 0.1 / 25.4;
    default:
      return std::nullopt;
  }
}

Reading RainRate(std::uint16_t clicks_per_hour, int model, const Units& u) {
  if (clicks_per_hour == 0x8000) return std::nullopt;
  const bool mm = u.rain == 1;
  switch (model) {
    case 0:
      return clicks_per_hour * (mm ? 2.54 : 0.1);
    case 1:
      return clicks_per_hour * (mm ? 0.254 : 0.01);
    case 2:
      return clicks_per_hour * (mm ? 0.2 : 0.007874015748031498);
    case 6:
      return clicks_per_hour * (mm ? 0.1 : 0.003937007874015749);
    default:
      return std::nullopt;
  }
}

}  // namespace orbisk::data
