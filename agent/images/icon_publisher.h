// Publishing the status icons and the wind rose: each picture is written into
// the cache directory under its fixed name and queued for upload when, and
// only when, the write succeeded. Nothing is logged: a failed write is retried
// at the next change.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "agent/images/carried_images.h"
#include "agent/images/icon_output.h"
#include "agent/images/png_codec.h"
#include "agent/images/rgba_image.h"

namespace agent::images {

inline constexpr const char kConnectionIconFile[] = "ico_connexion_console.png";
inline constexpr const char kForecastIconFile[] = "icone_tendance.png";
inline constexpr const char kTrendIconFile[] = "ico_tnd_pression.png";
inline constexpr const char kRainIconFile[] = "ico_pluie.png";
inline constexpr const char kSevereColdIconFile[] = "ico_grd_froid.png";
inline constexpr const char kWindRoseFile[] = "rsdv.png";
inline constexpr const char kAlertIconFile[] = "ico_alerte.png";

class IconPublisher {
 public:
  // `cache_directory` empty means the working directory.
  IconPublisher(IconOutput& output, std::string cache_directory);

  // The path of a picture file in the cache directory.
  std::string PathOf(std::string_view file_name) const;

  // Writes the image under `file_name` and queues it; true when written.
  bool PublishIcon(const RgbaImage& image, std::string_view file_name,
                   PngLayout layout = PngLayout::kRgba);
  bool PublishCarried(CarriedImage image, std::string_view file_name);

  // The connection icon for a link state; any unknown state removes the file
  // and returns false.
  bool SetConnectionIcon(int state);
  // The forecast picture, or a black 128 x 128 RGB square for an unknown number.
  bool ForecastIcon(int forecast_number);
  // Writes the trend picture at `path` (not queued); true when written.
  bool PressureTrendIcon(std::string_view trend_text, const std::string& path);
  // The trend icon in the cache directory, queued when written.
  bool TrendIcon(std::string_view trend_text);
  bool RainIconState(bool raining);
  bool RainIcon(float rain_value);
  bool SevereColdIconState(bool severe_cold);
  // Leaves the picture as it is (false) when neither index is valid.
  bool SevereColdIcon(float thsw, bool thsw_valid, float thw, bool thw_valid);
  // Draws the rose at `path` (not queued); true when written.
  bool DrawWindRose(const std::string& path, int direction_degrees, int width, int height);
  // The 200 x 200 rose in the cache directory, queued when written.
  bool WindRose(int direction_degrees);
  // The alert picture (alert true) or the quiet one, queued when written.
  bool AlertIcon(bool alert);

  // The first pictures before any data: the activity connection icon, dry,
  // not cold and the bare rose; then with the quiet alert picture.
  void DrawFirstIcons();
  void DrawStartupImages();

 private:
  bool WriteQueued(std::string_view file_name, std::span<const std::uint8_t> png);

  IconOutput& output_;
  std::string cache_directory_;
};

}  // namespace agent::images
