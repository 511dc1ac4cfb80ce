// The names and sizes of the PNG images carried inside the agent.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace agent::images {

inline constexpr std::size_t kCarriedImageCount = 26;

enum class CarriedImage {
  kConnectionOk,
  kConnectionActivity,
  kConnectionFailed,
  kRain,
  kNoRain,
  kSevereCold,
  kNoSevereCold,
  kTrendRising,
  kTrendFalling,
  kTrendSteady,
  kTrendRisingRapidly,
  kTrendFallingRapidly,
  kTrendUnknown,
  kForecastSun,
  kForecastRain,
  kForecastStorm,
  kForecastSnow,
  kForecastCloud,
  kForecastSunCloud,
  kForecastSunCloudSnow,
  kForecastSunCloudRain,
  kForecastSunCloudRainSnow,
  kForecastRainSnow,
  kWindRoseBackground,
  kAlert,
  kNoAlert,
};

struct CarriedImageInfo {
  CarriedImage id;
  std::string_view name;  // carried as name + ".png"
  int width;
  int height;
};

// All 26 carried images, in the order of the enumeration.
std::span<const CarriedImageInfo> CarriedImageTable();
const CarriedImageInfo& InfoOf(CarriedImage image);

}  // namespace agent::images
