// RGBA raster images: the canvas every icon and the wind rose are drawn on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace agent::images {

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

// 8-bit RGBA pixels, rows top to bottom, not premultiplied.
class RgbaImage {
 public:
  RgbaImage() = default;
  RgbaImage(int width, int height, Rgba fill = {});

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return pixels_.empty(); }

  Rgba& at(int x, int y) { return pixels_[Index(x, y)]; }
  const Rgba& at(int x, int y) const { return pixels_[Index(x, y)]; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  // Blends `colour` over the pixel with the given coverage (0..255) times the
  // colour's own alpha ("source over"); points outside the image are ignored.
  void Blend(int x, int y, Rgba colour, int coverage);

  const std::vector<Rgba>& pixels() const { return pixels_; }
  Rgba* data() { return pixels_.data(); }

  friend bool operator==(const RgbaImage&, const RgbaImage&) = default;

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
  }

  int width_ = 0;
  int height_ = 0;
  std::vector<Rgba> pixels_;
};

// Resamples `source` to width x height (bilinear); a same-size call is a plain copy.
RgbaImage ScaleImage(const RgbaImage& source, int width, int height);

}  // namespace agent::images
