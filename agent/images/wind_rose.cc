#include "agent/images/wind_rose.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "agent/images/text_renderer.h"

namespace agent::images {

namespace {

// Distance from the centre to the arrow tip, as a share of the rose's size.
constexpr double kTipShare = 0.44;
constexpr double kProbeSize = 100.0;
constexpr Rgba kHaloColour{255, 255, 255, 200};
constexpr std::pair<double, double> kHalo[] = {{-1.5, 0}, {1.5, 0}, {0, -1.5}, {0, 1.5},
                                               {-1, -1},  {1, -1},  {-1, 1},   {1, 1}};
constexpr double kBoldOffset = 0.5;

struct ArrowGeometry {
  double pixel_size = 0;   // font size that puts the tip at the wanted radius
  double axis_height = 0;  // height of the shaft's middle above the baseline, per pixel of size
};

// Measured once: glyph metrics scale linearly with the size (no hinting), so a
// probe at one size gives the size for any radius.
ArrowGeometry ProbeArrow() {
  TextRenderer& font = TextRenderer::Carried();
  const TextExtent whole = font.Measure(kArrowText, kProbeSize);
  const TextExtent shaft = font.Measure("-", kProbeSize);
  ArrowGeometry g;
  if (!whole.has_ink || whole.ink_right <= 0 || !shaft.has_ink) return g;
  g.pixel_size = kProbeSize / whole.ink_right;
  g.axis_height = (shaft.ink_top + shaft.ink_bottom) / 2.0 / kProbeSize;
  return g;
}

}  // namespace

RgbaImage DrawWindRoseImage(const RgbaImage& background, int direction_degrees, int width,
                            int height) {
  RgbaImage rose = ScaleImage(background, width, height);
  if (direction_degrees == kDirectionAbsent) return rose;
  static const ArrowGeometry kGeometry = ProbeArrow();
  if (kGeometry.pixel_size <= 0) return rose;

  const double radius = kTipShare * std::min(width, height);
  const double size = kGeometry.pixel_size * radius;
  // Bearing clockwise from north becomes an angle counter-clockwise from +x.
  const double angle = 90.0 - direction_degrees;
  const double a = angle * std::numbers::pi / 180.0;
  // Shift the baseline origin across the text so that the shaft, not the
  // baseline, passes through the centre.
  const double lift = kGeometry.axis_height * size;
  const double cx = width / 2.0, cy = height / 2.0;
  const double x = cx + lift * std::sin(a);
  const double y = cy + lift * std::cos(a);
  // The arrow is small: it is drawn a little bolder (three passes across the
  // shaft) over a thin white halo so that it stays readable on the rose.
  TextRenderer& font = TextRenderer::Carried();
  const double nx = -std::sin(a), ny = -std::cos(a);  // across the arrow
  for (const auto& [hx, hy] : kHalo)
    font.Draw(rose, kArrowText, x + hx, y + hy, angle, size, kHaloColour);
  for (double across : {-kBoldOffset, kBoldOffset, 0.0}) {
    font.Draw(rose, kArrowText, x + across * nx, y + across * ny, angle, size, kArrowColour);
  }
  return rose;
}

}  // namespace agent::images
