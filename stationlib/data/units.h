#pragma once
#include <cstdint>
#include <optional>

namespace orbisk::data {

// The caller's unit choice (all 0 by default): temperature 0 F / 1 C; rain and
// ET 0 inch / 1 mm; barometer 0 inHg / 1 mm Hg / 2,3 hPa; wind 0 mph / 1 knots /
// 2 km/h / 3 m/s; elevation 0 metres / 1 feet (for the barometer calibration).
struct Units {
  std::uint8_t temperature = 0;
  std::uint8_t rain = 0;
  std::uint8_t barometer = 0;
  std::uint8_t wind = 0;
  std::uint8_t elevation = 0;

  bool valid() const {
    return temperature <= 1 && rain <= 1 && barometer <= 3 && wind <= 3 && elevation <= 1;
  }
};

// A reading that may be dashed (not available).
using Reading = std::optional<double>;

double FahrenheitToCelsius(double f);
double CelsiusToFahrenheit(double c);

// 16-bit tenths of a degree F (0x7FFF and 0x8000 dashed) in the chosen unit.
Reading TenthsFahrenheit(std::int16_t raw, const Units& u);
// Byte temperature stored as degrees F + 90 (255 dashed) in the chosen unit.
Reading ByteTemperature(std::uint8_t raw, const Units& u);
// A temperature computed in F (dashed stays dashed) in the chosen unit.
Reading TemperatureFromFahrenheit(Reading f, const Units& u);
// Barometer in thousandths of inHg: 0x7FFF, 0x8000 or below 16000 dashed.
Reading Barometer(std::uint16_t raw, const Units& u);
// Barometer thousandths of inHg without the range check, in the chosen unit.
double PressureFromThousandths(double thousandths, const Units& u);
// Wind speed in mph (255 dashed).
Reading WindSpeed(std::uint8_t mph, const Units& u);
double WindFromMph(double mph, const Units& u);

// Rain collector model of the library (0-6) and its click size in inches.
struct RainCollector {
  int model = 1;
  // Sets the model; a model above 6 resets to 1 and returns false.
  bool Set(int new_model);
  double ClickInches() const;
};

// Rain totals in clicks by the console's collector models 1, 2 and 6.
Reading RainTotal(std::uint16_t clicks, int model, const Units& u);
// Rain rate in clicks per hour (0x8000 dashed), models 0, 1, 2 and 6.
Reading RainRate(std::uint16_t clicks_per_hour, int model, const Units& u);

}  // namespace orbisk::data
