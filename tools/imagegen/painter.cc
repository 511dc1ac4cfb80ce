#include "tools/imagegen/painter.h"

#include <algorithm>
#include <cmath>

#include "agent/images/text_renderer.h"

namespace imagegen {

namespace {
constexpr int kSamples = 4;
}

void Painter::Fill(double x0, double y0, double x1, double y1, Rgba colour,
                   const std::function<bool(double, double)>& inside) {
  const int px0 = std::max(0, static_cast<int>(std::floor(x0)));
  const int py0 = std::max(0, static_cast<int>(std::floor(y0)));
  const int px1 = std::min(image_.width() - 1, static_cast<int>(std::ceil(x1)));
  const int py1 = std::min(image_.height() - 1, static_cast<int>(std::ceil(y1)));
  for (int y = py0; y <= py1; ++y) {
    for (int x = px0; x <= px1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          hits += inside(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
        }
      }
      image_.Blend(x, y, colour, hits * 255 / (kSamples * kSamples));
    }
  }
}

void Painter::Circle(double cx, double cy, double r, Rgba colour) {
  Fill(cx - r, cy - r, cx + r, cy + r, colour,
       [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; });
}

void Painter::Ring(double cx, double cy, double r_inner, double r_outer, Rgba colour) {
  Fill(cx - r_outer, cy - r_outer, cx + r_outer, cy + r_outer, colour, [=](double x, double y) {
    const double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    return d <= r_outer * r_outer && d >= r_inner * r_inner;
  });
}

void Painter::RoundedRect(double x0, double y0, double x1, double y1, double radius, Rgba colour) {
  Fill(x0, y0, x1, y1, colour, [=](double x, double y) {
    if (x < x0 || x > x1 || y < y0 || y > y1) return false;
    const double dx = std::max({x0 + radius - x, 0.0, x - (x1 - radius)});
    const double dy = std::max({y0 + radius - y, 0.0, y - (y1 - radius)});
    return dx * dx + dy * dy <= radius * radius;
  });
}

void Painter::Polygon(const std::vector<Point>& points, Rgba colour) {
  if (points.size() < 3) return;
  double x0 = points[0].first, x1 = x0, y0 = points[0].second, y1 = y0;
  for (const auto& [x, y] : points) {
    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  }
  Fill(x0, y0, x1, y1, colour, [&](double x, double y) {
    bool in = false;  // even-odd crossing test
    for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
      const auto [xi, yi] = points[i];
      const auto [xj, yj] = points[j];
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
  });
}

void Painter::Line(double x0, double y0, double x1, double y1, double width, Rgba colour) {
  const double h = width / 2;
  const double dx = x1 - x0, dy = y1 - y0;
  const double length2 = std::max(dx * dx + dy * dy, 1e-9);
  Fill(std::min(x0, x1) - h, std::min(y0, y1) - h, std::max(x0, x1) + h, std::max(y0, y1) + h,
       colour, [=](double x, double y) {
         const double t = std::clamp(((x - x0) * dx + (y - y0) * dy) / length2, 0.0, 1.0);
         const double ex = x - (x0 + t * dx), ey = y - (y0 + t * dy);
         return ex * ex + ey * ey <= h * h;
       });
}

void Painter::CentredText(std::string_view text, double cx, double cy, double pixel_size,
                          Rgba colour) {
  auto& font = agent::images::TextRenderer::Carried();
  const auto extent = font.Measure(text, pixel_size);
  if (!extent.has_ink) return;
  const double x = cx - (extent.ink_left + extent.ink_right) / 2;
  const double y = cy + (extent.ink_top + extent.ink_bottom) / 2;
  font.Draw(image_, text, x, y, 0, pixel_size, colour);
}

}  // namespace imagegen
