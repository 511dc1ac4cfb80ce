#include "agent/images/icon_choice.h"

#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace agent::images {

std::optional<CarriedImage> ForecastImage(int forecast_number) {
  using enum CarriedImage;
  static constexpr std::array<std::pair<int, CarriedImage>, 10> kForecasts{{
      {8, kForecastSun},
      {3, kForecastRain},
      {5, kForecastStorm},
      {18, kForecastSnow},
      {2, kForecastCloud},
      {6, kForecastSunCloud},
      {7, kForecastSunCloudSnow},
      {22, kForecastSunCloudRain},
      {23, kForecastSunCloudRainSnow},
      {19, kForecastRainSnow},
  }};
  for (const auto& [number, image] : kForecasts) {
    if (number == forecast_number) return image;
  }
  return std::nullopt;
}

CarriedImage TrendImage(std::string_view trend_text) {
  using enum CarriedImage;
  static constexpr std::array<std::pair<std::string_view, CarriedImage>, 5> kTrends{{
      {"RISING", kTrendRising},
      {"FALLING", kTrendFalling},
      {"STEADY", kTrendSteady},
      {"RISING RAPIDLY", kTrendRisingRapidly},
      {"FALLING RAPIDLY", kTrendFallingRapidly},
  }};
  std::string upper(trend_text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const auto& [text, image] : kTrends) {
    if (text == upper) return image;
  }
  return kTrendUnknown;
}

bool RainState(float rain_value) {
  return rain_value != 0.0f;
}

std::optional<bool> SevereColdState(float thsw, bool thsw_valid, float thw, bool thw_valid) {
  if (thsw_valid) return thsw < 0.0f;
  if (thw_valid) return thw < 0.0f;
  return std::nullopt;
}

std::optional<CarriedImage> ConnectionImage(int state) {
  switch (state) {
    case 0:
      return CarriedImage::kConnectionFailed;
    case 1:
    case 2:
    case 4:
      return CarriedImage::kConnectionOk;
    case 3:
      return CarriedImage::kConnectionActivity;
    default:
      return std::nullopt;
  }
}

}  // namespace agent::images
