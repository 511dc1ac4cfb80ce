#include "agent/images/icon_publisher.h"

#include "agent/images/icon_choice.h"
#include "agent/images/wind_rose.h"

namespace agent::images {

namespace {

constexpr int kForecastSquare = 128;

std::span<const std::uint8_t> Bytes(std::span<const unsigned char> carried) {
  return {reinterpret_cast<const std::uint8_t*>(carried.data()), carried.size()};
}

}  // namespace

IconPublisher::IconPublisher(IconOutput& output, std::string cache_directory)
    : output_(output), cache_directory_(std::move(cache_directory)) {
  while (cache_directory_.size() > 1 &&
         (cache_directory_.back() == '/' || cache_directory_.back() == '\\')) {
    cache_directory_.pop_back();
  }
}

std::string IconPublisher::PathOf(std::string_view file_name) const {
  if (cache_directory_.empty()) return std::string(file_name);
  if (cache_directory_ == "/") return "/" + std::string(file_name);
  return cache_directory_ + "/" + std::string(file_name);
}

bool IconPublisher::WriteQueued(std::string_view file_name, std::span<const std::uint8_t> png) {
  const std::string path = PathOf(file_name);
  if (png.empty() || !output_.ReplaceFile(path, png)) return false;
  output_.QueueUpload(path);
  return true;
}

bool IconPublisher::PublishIcon(const RgbaImage& image, std::string_view file_name,
                                PngLayout layout) {
  const auto png = EncodePng(image, layout);
  return png && WriteQueued(file_name, *png);
}

bool IconPublisher::PublishCarried(CarriedImage image, std::string_view file_name) {
  return WriteQueued(file_name, Bytes(CarriedPng(image)));
}

bool IconPublisher::SetConnectionIcon(int state) {
  const auto image = ConnectionImage(state);
  if (!image) {
    output_.RemoveFile(PathOf(kConnectionIconFile));
    return false;
  }
  return PublishCarried(*image, kConnectionIconFile);
}

bool IconPublisher::ForecastIcon(int forecast_number) {
  if (const auto image = ForecastImage(forecast_number))
    return PublishCarried(*image, kForecastIconFile);
  return PublishIcon(RgbaImage(kForecastSquare, kForecastSquare, Rgba{0, 0, 0, 255}),
                     kForecastIconFile, PngLayout::kRgb);
}

bool IconPublisher::PressureTrendIcon(std::string_view trend_text, const std::string& path) {
  const auto png = Bytes(CarriedPng(TrendImage(trend_text)));
  return !png.empty() && output_.ReplaceFile(path, png);
}

bool IconPublisher::TrendIcon(std::string_view trend_text) {
  return PublishCarried(TrendImage(trend_text), kTrendIconFile);
}

bool IconPublisher::RainIconState(bool raining) {
  return PublishCarried(raining ? CarriedImage::kRain : CarriedImage::kNoRain, kRainIconFile);
}

bool IconPublisher::RainIcon(float rain_value) {
  return RainIconState(RainState(rain_value));
}

bool IconPublisher::SevereColdIconState(bool severe_cold) {
  return PublishCarried(severe_cold ? CarriedImage::kSevereCold : CarriedImage::kNoSevereCold,
                        kSevereColdIconFile);
}

bool IconPublisher::SevereColdIcon(float thsw, bool thsw_valid, float thw, bool thw_valid) {
  const auto cold = SevereColdState(thsw, thsw_valid, thw, thw_valid);
  return cold && SevereColdIconState(*cold);
}

bool IconPublisher::DrawWindRose(const std::string& path, int direction_degrees, int width,
                                 int height) {
  const RgbaImage rose = DrawWindRoseImage(CarriedPixels(CarriedImage::kWindRoseBackground),
                                           direction_degrees, width, height);
  const auto png = EncodePng(rose, PngLayout::kRgba);
  return png && output_.ReplaceFile(path, *png);
}

bool IconPublisher::WindRose(int direction_degrees) {
  const std::string path = PathOf(kWindRoseFile);
  if (!DrawWindRose(path, direction_degrees, kWindRoseSize, kWindRoseSize)) return false;
  output_.QueueUpload(path);
  return true;
}

bool IconPublisher::AlertIcon(bool alert) {
  return PublishCarried(alert ? CarriedImage::kAlert : CarriedImage::kNoAlert, kAlertIconFile);
}

void IconPublisher::DrawFirstIcons() {
  SetConnectionIcon(3);
  RainIconState(false);
  SevereColdIconState(false);
  WindRose(kDirectionAbsent);
}

void IconPublisher::DrawStartupImages() {
  DrawFirstIcons();
  AlertIcon(false);
}

}  // namespace agent::images
