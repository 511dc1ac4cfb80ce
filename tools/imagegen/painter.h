// Anti-aliased shape filling for the artwork of the carried images.
#pragma once

#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "agent/images/rgba_image.h"

namespace imagegen {

using agent::images::Rgba;
using agent::images::RgbaImage;
using Point = std::pair<double, double>;

// Draws on one image; every shape is sampled 4 x 4 times per pixel.
class Painter {
 public:
  explicit Painter(RgbaImage& image) : image_(image) {}

  void Circle(double cx, double cy, double r, Rgba colour);
  void Ring(double cx, double cy, double r_inner, double r_outer, Rgba colour);
  void RoundedRect(double x0, double y0, double x1, double y1, double radius, Rgba colour);
  void Polygon(const std::vector<Point>& points, Rgba colour);
  void Line(double x0, double y0, double x1, double y1, double width, Rgba colour);
  // Text centred on (cx, cy), upright.
  void CentredText(std::string_view text, double cx, double cy, double pixel_size, Rgba colour);

 private:
  // Fills the pixels of the box whose samples `inside` accepts.
  void Fill(double x0, double y0, double x1, double y1, Rgba colour,
            const std::function<bool(double, double)>& inside);

  RgbaImage& image_;
};

}  // namespace imagegen
