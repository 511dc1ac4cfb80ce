#include "stationlib/data/derived_tables.h"

#include <algorithm>
#include <cmath>

namespace orbisk::data::tables {
namespace {

double RoundTenth(double x) {
  return std::floor(x * 10.0 + 0.5) / 10.0;
}

// Heat index base: the Rothfusz regression used by the US National Weather
// Service (valid from about 80 F), Steadman's simple formula below it, and the
// air temperature itself in the cold, with linear blends between the three so
// that neighbouring rows never jump.
double Rothfusz(double t, double rh) {
  return -42.379 + 2.04901523 * t + 10.14333127 * rh - 0.22475541 * t * rh - 6.83783e-3 * t * t -
         5.481717e-2 * rh * rh + 1.22874e-3 * t * t * rh + 8.5282e-4 * t * rh * rh -
         1.99e-6 * t * t * rh * rh;
}
double SteadmanSimple(double t, double rh) {
  return 0.5 * (t + 61.0 + (t - 68.0) * 1.2 + rh * 0.094);
}
double HeatIndexBase(double t, double rh) {
  if (t <= 40.0) return t;
  if (t < 75.0) return t + (t - 40.0) / 35.0 * (SteadmanSimple(t, rh) - t);
  if (t < 85.0) {
    const double w = (t - 75.0) / 10.0;
    return (1.0 - w) * SteadmanSimple(t, rh) + w * Rothfusz(t, rh);
  }
  // Past its fitted range the regression bends down again in dry air; there
  // the index keeps its 100 F distance from the air temperature instead.
  if (t > 100.0) return std::max(Rothfusz(t, rh), t + Rothfusz(100.0, rh) - 100.0);
  return Rothfusz(t, rh);
}

// The console's own heat index chart at 80, 90 and 100 F (RH 0, 20 ... 100).
// The table is the base formula scaled by the ratio chart/base, interpolated
// between these points, faded to 1 below 80 F (by 70 F) and held above 100 F.
constexpr double kChartT[3] = {80.0, 90.0, 100.0};
constexpr double kChart[3][6] = {{75.6, 77.0, 79.0, 81.3, 84.5, 89.6},
                                 {83.9, 86.6, 91.2, 99.8, 113.3, 163.4},
                                 {91.3, 97.8, 110.6, 132.3, 199.3, 1448.8}};

double ChartRatioAt(int row, double rh) {
  const int k = std::min(4, static_cast<int>(rh / 20.0));
  const double f = (rh - 20.0 * k) / 20.0;
  const double r0 = kChart[row][k] / HeatIndexBase(kChartT[row], 20.0 * k);
  const double r1 = kChart[row][k + 1] / HeatIndexBase(kChartT[row], 20.0 * (k + 1));
  return r0 + f * (r1 - r0);
}

double ChartRatio(double t, double rh) {
  if (t <= 70.0) return 1.0;
  if (t < 80.0) return 1.0 + (t - 70.0) / 10.0 * (ChartRatioAt(0, rh) - 1.0);
  if (t >= 100.0) return ChartRatioAt(2, rh);
  const int row = t < 90.0 ? 0 : 1;
  const double f = (t - kChartT[row]) / 10.0;
  return ChartRatioAt(row, rh) + f * (ChartRatioAt(row + 1, rh) - ChartRatioAt(row, rh));
}

// Wind term of the temperature-humidity-wind index, after Steadman's
// apparent temperature (0.70 C per m/s of wind): above skin temperature the
// wind carries heat to the body. Weighted by a bump that is 0 at 93 F and at
// 140 F so the index joins the plain heat index at both ends.
double WindIndexCorrection(double t, double v) {
  const double u = std::clamp((t - 93.0) / (140.0 - 93.0), 0.0, 1.0);
  const double weight = 4.0 * u * (1.0 - u);
  return 0.70 * 1.8 * (v - 6.0) * 0.44704 * weight;
}

}  // namespace

// Wind chill of the US National Weather Service (2001).
double NwsWindChill(double t, double v) {
  const double p = std::pow(v, 0.16);
  return 35.74 + 0.6215 * t - 35.75 * p + 0.4275 * t * p;
}

// Thom's temperature-humidity (discomfort) index, in tenths of a degree F.
double ThomIndexTenths(double t, double rh) {
  return 10.0 * (t - (0.55 - 0.0055 * rh) * (t - 58.0));
}

double ThBandTemperature(int band) {
  return band <= 20 ? 30.0 + 5.0 * band : 130.0 + 10.0 * (band - 20);
}

const HeatIndexTable& HeatIndex() {
  static const HeatIndexTable kTable = [] {
    HeatIndexTable t{};
    for (int r = 0; r < kHeatIndexRows; ++r)
      for (int c = 0; c < kHeatIndexCols; ++c) {
        const double temp = kHeatIndexFirstT + r, rh = 5.0 * c;
        t[r][c] = RoundTenth(HeatIndexBase(temp, rh) * ChartRatio(temp, rh));
      }
    return t;
  }();
  return kTable;
}

const WindChillLowTable& WindChillLow() {
  static const WindChillLowTable kTable = [] {
    WindChillLowTable t{};
    for (int r = 0; r < kWindChillRows; ++r)
      for (int c = 0; c < kWindChillLowCols; ++c) t[r][c] = NwsWindChill(kWindChillFirstT + r, c);
    return t;
  }();
  return kTable;
}

const WindChillHighTable& WindChillHigh() {
  static const WindChillHighTable kTable = [] {
    WindChillHighTable t{};
    for (int r = 0; r < kWindChillRows; ++r)
      for (int c = 0; c < kWindChillHighCols; ++c)
        t[r][c] = NwsWindChill(kWindChillFirstT + r, 40.0 + 5.0 * c);
    return t;
  }();
  return kTable;
}

const WindIndexLowTable& WindIndexLow() {
  static const WindIndexLowTable kTable = [] {
    WindIndexLowTable t{};
    for (int r = 0; r < kWindIndexLowRows; ++r)
      for (int c = 0; c < kWindIndexLowCols; ++c)
        t[r][c] = WindIndexCorrection(kWindIndexFirstT + r, 6.0 + c);
    return t;
  }();
  return kTable;
}

const WindIndexHighTable& WindIndexHigh() {
  static const WindIndexHighTable kTable = [] {
    WindIndexHighTable t{};
    for (int r = 0; r < kWindIndexHighRows; ++r)
      for (int c = 0; c < kWindIndexHighCols; ++c)
        t[r][c] = WindIndexCorrection(kWindIndexFirstT + r, 70.0 + 10.0 * c);
    return t;
  }();
  return kTable;
}

const ThTable& TemperatureHumidity() {
  static const ThTable kTable = [] {
    ThTable t{};
    for (int b = 0; b < kThBands; ++b)
      for (int c = 0; c < kThCols; ++c) t[b][c] = ThomIndexTenths(ThBandTemperature(b), c);
    return t;
  }();
  return kTable;
}

}  // namespace orbisk::data::tables
