#include "agent/images/rgba_image.h"

#include <algorithm>
#include <cmath>

namespace agent::images {

RgbaImage::RgbaImage(int width, int height, Rgba fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill) {}

void RgbaImage::Blend(int x, int y, Rgba colour, int coverage) {
  if (!Contains(x, y) || coverage <= 0) return;
  Rgba& dst = at(x, y);
  // Work in units of 1/255^2 to keep the blend exact enough without floats.
  const int src_a = std::min(coverage, 255) * colour.a;  // 0..65025
  if (src_a == 0) return;
  const int dst_a = dst.a * (65025 - src_a) / 255;  // 0..65025
  const int out_a = src_a + dst_a;
  auto mix = [&](std::uint8_t s, std::uint8_t d) {
    return static_cast<std::uint8_t>((s * src_a + d * dst_a + out_a / 2) / out_a);
  };
  dst.r = mix(colour.r, dst.r);
  dst.g = mix(colour.g, dst.g);
  dst.b = mix(colour.b, dst.b);
  dst.a = static_cast<std::uint8_t>((out_a + 127) / 255);
}

RgbaImage ScaleImage(const RgbaImage& source, int width, int height) {
  if (source.width() == width && source.height() == height) return source;
  RgbaImage out(width, height);
  if (source.empty()) return out;
  const double sx = static_cast<double>(source.width()) / width;
  const double sy = static_cast<double>(source.height()) / height;
  for (int y = 0; y < height; ++y) {
    const double fy = std::clamp((y + 0.5) * sy - 0.5, 0.0, source.height() - 1.0);
    const int y0 = static_cast<int>(fy);
    const int y1 = std::min(y0 + 1, source.height() - 1);
    const double wy = fy - y0;
    for (int x = 0; x < width; ++x) {
      const double fx = std::clamp((x + 0.5) * sx - 0.5, 0.0, source.width() - 1.0);
      const int x0 = static_cast<int>(fx);
      const int x1 = std::min(x0 + 1, source.width() - 1);
      const double wx = fx - x0;
      auto lerp = [&](auto channel) {
        const double top = channel(source.at(x0, y0)) * (1 - wx) + channel(source.at(x1, y0)) * wx;
        const double bottom =
            channel(source.at(x0, y1)) * (1 - wx) + channel(source.at(x1, y1)) * wx;
        return static_cast<std::uint8_t>(std::lround(top * (1 - wy) + bottom * wy));
      };
      out.at(x, y) = {lerp([](Rgba p) { return p.r; }), lerp([](Rgba p) { return p.g; }),
                      lerp([](Rgba p) { return p.b; }), lerp([](Rgba p) { return p.a; })};
    }
  }
  return out;
}

}  // namespace agent::images
