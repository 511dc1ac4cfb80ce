#include "tools/imagegen/artwork.h"

#include <cmath>
#include <numbers>

#include "tools/imagegen/painter.h"

namespace imagegen {

namespace {

using agent::images::CarriedImage;
using agent::images::InfoOf;

constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kGreen{46, 160, 67, 255};
constexpr Rgba kRed{210, 40, 40, 255};
constexpr Rgba kBlue{40, 110, 210, 255};
constexpr Rgba kOrange{240, 150, 20, 255};
constexpr Rgba kGrey{120, 128, 138, 255};
constexpr Rgba kCloud{200, 206, 214, 255};
constexpr Rgba kCloudDark{110, 118, 130, 255};
constexpr Rgba kSun{255, 200, 30, 255};
constexpr Rgba kDrop{50, 130, 230, 255};
constexpr Rgba kIce{120, 190, 240, 255};
constexpr Rgba kNavy{30, 50, 100, 255};

constexpr double kPi = std::numbers::pi;

// --- pieces shared by several pictures, in units of the picture's size s ---

void Sun(Painter& p, double cx, double cy, double r) {
  for (int i = 0; i < 8; ++i) {
    const double a = i * kPi / 4;
    p.Line(cx + std::cos(a) * r * 1.3, cy + std::sin(a) * r * 1.3, cx + std::cos(a) * r * 1.75,
           cy + std::sin(a) * r * 1.75, r * 0.28, kSun);
  }
  p.Circle(cx, cy, r, kSun);
}

void Cloud(Painter& p, double cx, double cy, double w, Rgba colour) {
  p.Circle(cx - w * 0.22, cy + w * 0.02, w * 0.22, colour);
  p.Circle(cx + w * 0.05, cy - w * 0.1, w * 0.28, colour);
  p.Circle(cx + w * 0.3, cy + w * 0.05, w * 0.2, colour);
  p.RoundedRect(cx - w * 0.44, cy, cx + w * 0.5, cy + w * 0.25, w * 0.12, colour);
}

void Drops(Painter& p, double x0, double y0, double w, int count) {
  for (int i = 0; i < count; ++i) {
    const double x = x0 + w * (i + 0.5) / count;
    p.Line(x + w * 0.04, y0, x - w * 0.04, y0 + w * 0.16, w * 0.06, kDrop);
  }
}

void Flake(Painter& p, double cx, double cy, double r, Rgba colour, double width) {
  for (int i = 0; i < 3; ++i) {
    const double a = i * kPi / 3 + kPi / 2;
    p.Line(cx - std::cos(a) * r, cy - std::sin(a) * r, cx + std::cos(a) * r, cy + std::sin(a) * r,
           width, colour);
  }
}

void Flakes(Painter& p, double x0, double y0, double w, int count) {
  for (int i = 0; i < count; ++i)
    Flake(p, x0 + w * (i + 0.5) / count, y0 + w * 0.08, w * 0.07, kIce, w * 0.03);
}

void Bolt(Painter& p, double cx, double top, double s) {
  p.Polygon({{cx + s * 0.05, top},
             {cx - s * 0.12, top + s * 0.2},
             {cx, top + s * 0.2},
             {cx - s * 0.08, top + s * 0.38},
             {cx + s * 0.14, top + s * 0.14},
             {cx + s * 0.02, top + s * 0.14},
             {cx + s * 0.1, top}},
            kOrange);
}

// --- forecast pictures (128 x 128) ---

struct Forecast {
  bool sun, cloud, rain, snow, storm;
};

void DrawForecast(Painter& p, double s, Forecast f) {
  if (f.sun) f.cloud ? Sun(p, s * 0.35, s * 0.32, s * 0.16) : Sun(p, s * 0.5, s * 0.5, s * 0.22);
  if (f.cloud)
    Cloud(p, s * 0.52, s * 0.48, s * 0.7, f.rain || f.storm || f.snow ? kCloudDark : kCloud);
  const bool both = f.rain && f.snow;
  if (f.rain) Drops(p, s * 0.2, s * 0.78, both ? s * 0.3 : s * 0.6, both ? 2 : 4);
  if (f.snow)
    both ? Flakes(p, s * 0.5, s * 0.76, s * 0.3, 2) : Flakes(p, s * 0.2, s * 0.76, s * 0.6, 3);
  if (f.storm) Bolt(p, s * 0.52, s * 0.66, s);
}

// --- small status pictures ---

void Badge(Painter& p, double s, Rgba colour) {
  p.RoundedRect(s * 0.06, s * 0.06, s * 0.94, s * 0.94, s * 0.2, colour);
}

void Check(Painter& p, double s, Rgba colour) {
  p.Line(s * 0.26, s * 0.52, s * 0.43, s * 0.68, s * 0.12, colour);
  p.Line(s * 0.43, s * 0.68, s * 0.74, s * 0.33, s * 0.12, colour);
}

void Cross(Painter& p, double s, Rgba colour) {
  p.Line(s * 0.3, s * 0.3, s * 0.7, s * 0.7, s * 0.12, colour);
  p.Line(s * 0.7, s * 0.3, s * 0.3, s * 0.7, s * 0.12, colour);
}

void Activity(Painter& p, double s) {
  Badge(p, s, kBlue);
  p.Polygon({{s * 0.22, s * 0.38},
             {s * 0.4, s * 0.2},
             {s * 0.4, s * 0.3},
             {s * 0.72, s * 0.3},
             {s * 0.72, s * 0.46},
             {s * 0.4, s * 0.46},
             {s * 0.4, s * 0.56}},
            kWhite);
  p.Polygon({{s * 0.78, s * 0.62},
             {s * 0.6, s * 0.8},
             {s * 0.6, s * 0.7},
             {s * 0.28, s * 0.7},
             {s * 0.28, s * 0.54},
             {s * 0.6, s * 0.54},
             {s * 0.6, s * 0.44}},
            kWhite);
}

void Thermometer(Painter& p, double s, Rgba liquid) {
  p.RoundedRect(s * 0.4, s * 0.08, s * 0.6, s * 0.75, s * 0.1, kGrey);
  p.Circle(s * 0.5, s * 0.76, s * 0.16, kGrey);
  p.RoundedRect(s * 0.45, s * 0.3, s * 0.55, s * 0.75, s * 0.05, liquid);
  p.Circle(s * 0.5, s * 0.76, s * 0.11, liquid);
}

// A trend arrow at `slope` (-1 down .. 1 up); `heads` chevrons mark a rapid change.
void TrendArrow(Painter& p, double s, double slope, int heads, Rgba colour) {
  const double a = slope * kPi / 4;
  const double dx = std::cos(a), dy = -std::sin(a);
  const double cx = s / 2, cy = s / 2, half = s * 0.4;
  const double tx = cx + dx * half, ty = cy + dy * half;
  p.Line(cx - dx * half, cy - dy * half, tx - dx * s * 0.1, ty - dy * s * 0.1, s * 0.16, colour);
  for (int i = 0; i < heads; ++i) {
    const double hx = tx - dx * s * 0.28 * i, hy = ty - dy * s * 0.28 * i;
    const double bx = hx - dx * s * 0.36, by = hy - dy * s * 0.36;
    p.Polygon({{hx, hy},
               {bx - dy * s * 0.24, by + dx * s * 0.24},
               {bx + dy * s * 0.24, by - dx * s * 0.24}},
              colour);
  }
}

// --- the wind rose background (200 x 200): north up, 16 points ---

void WindRose(Painter& p, double s) {
  const double c = s / 2;
  p.Circle(c, c, s * 0.49, Rgba{235, 240, 246, 255});
  p.Ring(c, c, s * 0.47, s * 0.49, kNavy);
  p.Ring(c, c, s * 0.3, s * 0.31, Rgba{160, 172, 190, 255});
  const double lengths[] = {0.36, 0.2, 0.27, 0.2};  // main, 16th, intercardinal, 16th
  for (int i = 15; i >= 0; --i) {
    const double bearing = i * kPi / 8;
    const double len = s * lengths[i % 4];
    const double width = s * (i % 4 == 0 ? 0.06 : 0.035);
    const double dx = std::sin(bearing), dy = -std::cos(bearing);
    const Point tip{c + dx * len, c + dy * len};
    const Point left{c - dy * width, c + dx * width};
    const Point right{c + dy * width, c - dx * width};
    p.Polygon({{c, c}, left, tip}, i % 4 == 0 ? kNavy : Rgba{90, 110, 150, 255});
    p.Polygon({{c, c}, tip, right},
              i % 4 == 0 ? Rgba{90, 120, 180, 255} : Rgba{160, 175, 205, 255});
  }
  p.Circle(c, c, s * 0.025, kNavy);
  const double r = s * 0.415;
  p.CentredText("N", c, c - r, s * 0.09, Rgba{200, 30, 30, 255});
  p.CentredText("E", c + r, c, s * 0.09, kNavy);
  p.CentredText("S", c, c + r, s * 0.09, kNavy);
  p.CentredText("O", c - r, c, s * 0.09, kNavy);
}

void Draw(Painter& p, CarriedImage image, double s) {
  using enum CarriedImage;
  switch (image) {
    case kConnectionOk:
      Badge(p, s, kGreen), Check(p, s, kWhite);
      break;
    case kConnectionActivity:
      Activity(p, s);
      break;
    case kConnectionFailed:
      Badge(p, s, kRed), Cross(p, s, kWhite);
      break;
    case kRain:
      Cloud(p, s * 0.5, s * 0.35, s * 0.8, kCloudDark), Drops(p, s * 0.18, s * 0.66, s * 0.64, 3);
      break;
    case kNoRain:
      Sun(p, s * 0.5, s * 0.5, s * 0.22);
      break;
    case kSevereCold:
      p.Circle(s / 2, s / 2, s * 0.47, Rgba{225, 240, 252, 255});
      Flake(p, s / 2, s / 2, s * 0.38, kBlue, s * 0.08);
      break;
    case kNoSevereCold:
      Thermometer(p, s, kOrange);
      break;
    case kTrendRising:
      TrendArrow(p, s, 1, 1, kGreen);
      break;
    case kTrendFalling:
      TrendArrow(p, s, -1, 1, kRed);
      break;
    case kTrendSteady:
      TrendArrow(p, s, 0, 1, kBlue);
      break;
    case kTrendRisingRapidly:
      TrendArrow(p, s, 1.6, 2, kGreen);
      break;
    case kTrendFallingRapidly:
      TrendArrow(p, s, -1.6, 2, kRed);
      break;
    case kTrendUnknown:
      p.CentredText("?", s / 2, s / 2, s * 0.9, kGrey);
      break;
    case kForecastSun:
      DrawForecast(p, s, {true, false, false, false, false});
      break;
    case kForecastRain:
      DrawForecast(p, s, {false, true, true, false, false});
      break;
    case kForecastStorm:
      DrawForecast(p, s, {false, true, true, false, true});
      break;
    case kForecastSnow:
      DrawForecast(p, s, {false, true, false, true, false});
      break;
    case kForecastCloud:
      DrawForecast(p, s, {false, true, false, false, false});
      break;
    case kForecastSunCloud:
      DrawForecast(p, s, {true, true, false, false, false});
      break;
    case kForecastSunCloudSnow:
      DrawForecast(p, s, {true, true, false, true, false});
      break;
    case kForecastSunCloudRain:
      DrawForecast(p, s, {true, true, true, false, false});
      break;
    case kForecastSunCloudRainSnow:
      DrawForecast(p, s, {true, true, true, true, false});
      break;
    case kForecastRainSnow:
      DrawForecast(p, s, {false, true, true, true, false});
      break;
    case kWindRoseBackground:
      WindRose(p, s);
      break;
    case kAlert:
      p.Polygon({{s * 0.5, s * 0.06}, {s * 0.96, s * 0.9}, {s * 0.04, s * 0.9}}, kRed);
      p.CentredText("!", s * 0.5, s * 0.6, s * 0.55, kWhite);
      break;
    case kNoAlert:
      p.Circle(s / 2, s / 2, s * 0.44, kGreen), Check(p, s, kWhite);
      break;
  }
}

}  // namespace

agent::images::RgbaImage DrawArtwork(CarriedImage image) {
  const auto& info = InfoOf(image);
  RgbaImage canvas(info.width, info.height);
  Painter painter(canvas);
  Draw(painter, image, info.width);
  return canvas;
}

}  // namespace imagegen
