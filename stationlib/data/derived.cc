#include "stationlib/data/derived.h"

#include <algorithm>
#include <cmath>

#include "stationlib/data/derived_tables.h"

namespace orbisk::data {
namespace {

double Lerp(double a, double b, double f) {
  return a + f * (b - a);
}

// Wind chill for 40 < T <= 93.1 from the two precomputed tables.
double TabulatedWindChill(double t, double v) {
  const int ti = std::clamp(static_cast<int>(std::floor(t)) - tables::kWindChillFirstT, 0,
                            tables::kWindChillRows - 1);
  const double ft = t - std::floor(t);
  const bool next_row = ft > 0.05 && ti + 1 < tables::kWindChillRows;
  if (v < 40.0) {
    const auto& low = tables::WindChillLow();
    const int vi = static_cast<int>(v);
    return next_row ? Lerp(low[ti][vi], low[ti + 1][vi], ft) : low[ti][vi];
  }
  const auto& high = tables::WindChillHigh();
  const int vk = std::min(static_cast<int>((v - 40.0) / 5.0), tables::kWindChillHighCols - 1);
  const double fv = (v - 40.0 - 5.0 * vk) / 5.0;
  const bool next_col = fv > 0.1 && vk + 1 < tables::kWindChillHighCols;
  auto at = [&](int r) { return next_col ? Lerp(high[r][vk], high[r][vk + 1], fv) : high[r][vk]; };
  return next_row ? Lerp(at(ti), at(ti + 1), ft) : at(ti);
}

// Bilinear read of a table whose rows are whole degrees from firstT and
// whose columns are steps of `step` from `first`.
template <typename Table>
double Bilinear(const Table& table, double row, double col) {
  const int rows = static_cast<int>(table.size());
  const int cols = static_cast<int>(table[0].size());
  const int r = std::clamp(static_cast<int>(std::floor(row)), 0, rows - 1);
  const int c = std::clamp(static_cast<int>(std::floor(col)), 0, cols - 1);
  const int r1 = std::min(r + 1, rows - 1), c1 = std::min(c + 1, cols - 1);
  const double fr = std::clamp(row - r, 0.0, 1.0), fc = std::clamp(col - c, 0.0, 1.0);
  return Lerp(Lerp(table[r][c], table[r][c1], fc), Lerp(table[r1][c], table[r1][c1], fc), fr);
}

}  // namespace

double RoundTenth(double x) {
  return std::floor(x * 10.0 + 0.5) / 10.0;
}

Reading DewPointF(Reading t, Reading rh) {
  if (!t || !rh || *rh < 1.0 || *rh > 100.0 || *t < -100.0 || *t > 200.0) return std::nullopt;
  const double tc = (*t - 32.0) * 0.5555555555555556;
  const double e = *rh * 0.01 * 6.112 * std::exp(17.62 * tc / (243.12 + tc));
  const double l = std::log(e);
  const double td = (243.12 * l - 440.1) / (19.43 - l);
  return std::min(tc, td) * 1.8 + 32.0;
}

Reading WindChillF(Reading t, Reading v) {
  if (!t || !v || *t < -100.0 || *t > 220.0 || *v < 0.0 || *v > 205.0) return std::nullopt;
  const double speed = std::min(*v, 180.0);
  if (speed < 1.0) return RoundTenth(*t);
  double w = *t;
  if (*t <= 40.0) {
    w = tables::NwsWindChill(*t, speed);
  } else if (*t <= 93.1) {
    w = TabulatedWindChill(*t, speed);
  }
  return RoundTenth(std::min(*t, w));
}

Reading HeatIndexF(Reading t, Reading rh) {
  if (!t || !rh || *rh < 0.0 || *rh > 100.0 || *t < -400.0) return std::nullopt;
  const double temp = std::min(*t, 250.0);
  if (temp <= tables::kHeatIndexFirstT) return temp;
  const double value =
      RoundTenth(Bilinear(tables::HeatIndex(), temp - tables::kHeatIndexFirstT, *rh / 5.0));
  if (value >= 1000.0) return std::nullopt;
  return value;
}

Reading ThswIndexF(Reading t, Reading rh, Reading v) {
  const Reading h = HeatIndexF(t, rh);
  if (!h) return std::nullopt;
  if (*t <= 93.2) {
    const Reading chill = WindChillF(t, v);
    return chill ? *h + (*chill - *t) : *h;
  }
  if (!v || *t >= 144.0 || *v <= 6.0) return *h;
  const double speed = std::min(*v, 180.0);
  const double row = *t - tables::kWindIndexFirstT;
  double correction = 0.0;
  if (speed <= 70.0) {
    if (*t < 140.0) correction = Bilinear(tables::WindIndexLow(), row, speed - 6.0);
  } else {
    correction = Bilinear(tables::WindIndexHigh(), row, (speed - 70.0) / 10.0);
  }
  const double value = RoundTenth(*h + correction);
  if (value >= 1000.0) return std::nullopt;
  return value;
}

Reading AirDensity(Reading t, Reading rh, Reading p_in_hg) {
  if (!t || !rh || !p_in_hg) return std::nullopt;
  const double tc = (*t - 32.0) * 5.0 / 9.0;
  const double pmm = *p_in_hg * 25.4;
  const double e = 6.112 * std::exp(17.62 * tc / (243.12 + tc)) * 0.7500612746907473 * *rh / 100.0;
  return (pmm - e) * 273.13 / (tc + 273.13) * 1.2929 / 760.0 * 0.06243;
}

Reading TemperatureHumidityValue(Reading t, Reading rh) {
  if (!t || !rh || *t < 30.0) return std::nullopt;
  const double band = *t <= 130.0 ? (*t - 30.0) / 5.0 : (*t - 130.0) / 10.0 + 20.0;
  const int col = std::clamp(static_cast<int>(std::floor(*rh + 0.5)), 0, tables::kThCols - 1);
  const auto& table = tables::TemperatureHumidity();
  const int last = tables::kThBands - 1;
  if (band >= last) return table[last][col] / 10.0;
  const int b = static_cast<int>(band);
  return Lerp(table[b][col], table[b + 1][col], band - b) / 10.0;
}

}  // namespace orbisk::data
