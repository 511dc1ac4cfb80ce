#include "stationlib/data/derived.h"

#include <gtest/gtest.h>

#include <cmath>

#include "stationlib/data/derived_tables.h"

namespace orbisk::data {
namespace {

TEST(HeatIndex, ReproducesTheConsoleChartRows) {
  const double rh[6] = {0, 20, 40, 60, 80, 100};
  const double expected[3][6] = {{75.6, 77.0, 79.0, 81.3, 84.5, 89.6},
                                 {83.9, 86.6, 91.2, 99.8, 113.3, 163.4},
                                 {91.3, 97.8, 110.6, 132.3, 199.3, std::nan("")}};
  const double t[3] = {80, 90, 100};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 6; ++c) {
      if (std::isnan(expected[r][c])) continue;
      const Reading hi = HeatIndexF(t[r], rh[c]);
      ASSERT_TRUE(hi) << t[r] << " " << rh[c];
      EXPECT_DOUBLE_EQ(*hi, expected[r][c]) << t[r] << " F, " << rh[c] << " %";
    }
  // 1448.8 is in the table but above the 1000 limit of a result.
  EXPECT_DOUBLE_EQ(tables::HeatIndex()[100 + 57][20], 1448.8);
  EXPECT_FALSE(HeatIndexF(100.0, 100.0));
}

TEST(HeatIndex, EdgesAndInterpolation) {
  EXPECT_FALSE(HeatIndexF(80.0, 101.0));
  EXPECT_FALSE(HeatIndexF(80.0, -1.0));
  EXPECT_FALSE(HeatIndexF(-401.0, 50.0));
  EXPECT_DOUBLE_EQ(*HeatIndexF(-60.0, 50.0), -60.0);
  EXPECT_FALSE(HeatIndexF(std::nullopt, 50.0));
  // Between two chart cells the value lies between them.
  const double mid = *HeatIndexF(85.0, 50.0);
  EXPECT_GT(mid, *HeatIndexF(80.0, 50.0));
  EXPECT_LT(mid, *HeatIndexF(90.0, 50.0));
}

TEST(HeatIndex, NeighbouringRowsHaveNoJumps) {
  const auto& table = tables::HeatIndex();
  // In the mild part of the table (below 80 F) rows differ by a few degrees
  // at most, and the cold end follows the air temperature.
  for (int r = 0; r + 1 < 80 + 57; ++r)
    for (int c = 0; c < tables::kHeatIndexCols; ++c)
      EXPECT_LT(std::fabs(table[r + 1][c] - table[r][c]), 4.0) << "row " << r << " col " << c;
  EXPECT_DOUBLE_EQ(table[0][10], -57.0);
  // In dry air the index keeps rising with the temperature up to 250 F.
  for (int r = 100 + 57; r + 1 < tables::kHeatIndexRows; ++r)
    EXPECT_GT(table[r + 1][0], table[r][0]) << r;
}

TEST(DewPoint, FollowsTheMagnusFormula) {
  const double t = 72.5, rh = 45.0;
  const double tc = (t - 32.0) * 5.0 / 9.0;
  const double e = rh / 100.0 * 6.112 * std::exp(17.62 * tc / (243.12 + tc));
  const double td = (243.12 * std::log(e) - 440.1) / (19.43 - std::log(e));
  EXPECT_NEAR(*DewPointF(t, rh), td * 1.8 + 32.0, 1e-9);
  EXPECT_NEAR(*DewPointF(t, 100.0), t, 1e-6);
  EXPECT_FALSE(DewPointF(t, 0.0));
  EXPECT_FALSE(DewPointF(201.0, 50.0));
}

TEST(WindChill, FormulaBelowFortyAndTablesAbove) {
  const double t = 20.0, v = 15.0;
  const double w = 35.74 + 0.6215 * t - 35.75 * std::pow(v, 0.16) + 0.4275 * t * std::pow(v, 0.16);
  EXPECT_DOUBLE_EQ(*WindChillF(t, v), std::floor(w * 10 + 0.5) / 10);
  EXPECT_DOUBLE_EQ(*WindChillF(20.0, 0.5), 20.0);
  EXPECT_FALSE(WindChillF(20.0, 206.0));
  EXPECT_FALSE(WindChillF(221.0, 5.0));
  // 45 F in a 30 mph wind is colder than the air; the tables agree with the formula.
  const double tabulated = *WindChillF(45.0, 30.0);
  EXPECT_LT(tabulated, 45.0);
  EXPECT_NEAR(tabulated, tables::NwsWindChill(45.0, 30.0), 0.051);
  // Speeds above 180 count as 180.
  EXPECT_DOUBLE_EQ(*WindChillF(10.0, 200.0), *WindChillF(10.0, 180.0));
  // Continuous across 40 F.
  EXPECT_NEAR(*WindChillF(40.0, 20.0), *WindChillF(40.1, 20.0), 0.3);
  // Hot air is not chilled.
  EXPECT_DOUBLE_EQ(*WindChillF(95.0, 20.0), 95.0);
}

TEST(ThswIndex, HeatIndexPlusWindTerm) {
  // Cool: heat index plus the wind chill's difference.
  const double h = *HeatIndexF(30.0, 50.0);
  EXPECT_NEAR(*ThswIndexF(30.0, 50.0, 20.0), h + (*WindChillF(30.0, 20.0) - 30.0), 1e-9);
  // Calm or very hot: the heat index alone.
  EXPECT_DOUBLE_EQ(*ThswIndexF(100.0, 30.0, 5.0), *HeatIndexF(100.0, 30.0));
  EXPECT_DOUBLE_EQ(*ThswIndexF(150.0, 0.0, 30.0), *HeatIndexF(150.0, 0.0));
  // Hot and windy: the wind adds heat, smoothly with speed.
  const double a = *ThswIndexF(110.0, 20.0, 30.0), b = *ThswIndexF(110.0, 20.0, 31.0);
  EXPECT_GT(a, *HeatIndexF(110.0, 20.0));
  EXPECT_LT(std::fabs(b - a), 1.0);
  EXPECT_FALSE(ThswIndexF(80.0, std::nullopt, 10.0));
}

TEST(AirDensity, FollowsTheFormula) {
  const double t = 59.0, rh = 50.0, p = 29.92;
  const double tc = (t - 32) * 5 / 9;
  const double e = 6.112 * std::exp(17.62 * tc / (243.12 + tc)) * 0.7500612746907473 * rh / 100;
  const double expected = (p * 25.4 - e) * 273.13 / (tc + 273.13) * 1.2929 / 760 * 0.06243;
  EXPECT_NEAR(*AirDensity(t, rh, p), expected, 1e-12);
  EXPECT_NEAR(*AirDensity(t, rh, p), 0.076, 0.002);  // about 1.22 kg/m3
  EXPECT_FALSE(AirDensity(t, rh, std::nullopt));
}

TEST(TemperatureHumidity, ThomIndexByBands) {
  EXPECT_NEAR(*TemperatureHumidityValue(80.0, 50.0), tables::ThomIndexTenths(80.0, 50.0) / 10.0,
              1e-9);
  // Interpolated between bands 80 and 85 F.
  const double mid = *TemperatureHumidityValue(82.5, 50.0);
  EXPECT_NEAR(mid, (tables::ThomIndexTenths(80, 50) + tables::ThomIndexTenths(85, 50)) / 20.0,
              1e-9);
  // Above 130 F the bands are 10 degrees wide; the last band stands alone.
  EXPECT_NEAR(*TemperatureHumidityValue(215.0, 40.0), tables::ThomIndexTenths(210, 40) / 10.0,
              1e-9);
  EXPECT_NEAR(*TemperatureHumidityValue(300.0, 40.0), tables::ThomIndexTenths(210, 40) / 10.0,
              1e-9);
  EXPECT_FALSE(TemperatureHumidityValue(29.9, 40.0));
}

}  // namespace
}  // namespace orbisk::data
