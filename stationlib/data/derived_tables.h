#pragma once
#include <array>

// The library's fixed tables, built once from published formulas (see
// derived_tables.cc for the formula each one follows).
namespace orbisk::data::tables {

inline constexpr int kHeatIndexRows = 308;  // T = -57..250 F
inline constexpr int kHeatIndexCols = 21;   // RH = 0..100 % by 5
inline constexpr int kHeatIndexFirstT = -57;
using HeatIndexTable = std::array<std::array<double, kHeatIndexCols>, kHeatIndexRows>;

inline constexpr int kWindChillRows = 54;  // T = 40..93 F
inline constexpr int kWindChillFirstT = 40;
inline constexpr int kWindChillLowCols = 40;   // V = 0..39 mph
inline constexpr int kWindChillHighCols = 29;  // V = 40..180 mph by 5
using WindChillLowTable = std::array<std::array<double, kWindChillLowCols>, kWindChillRows>;
using WindChillHighTable = std::array<std::array<double, kWindChillHighCols>, kWindChillRows>;

inline constexpr int kWindIndexFirstT = 93;
inline constexpr int kWindIndexLowRows = 47;   // T = 93..139 F
inline constexpr int kWindIndexLowCols = 65;   // V = 6..70 mph
inline constexpr int kWindIndexHighRows = 52;  // T = 93..144 F
inline constexpr int kWindIndexHighCols = 12;  // V = 70..180 mph by 10
using WindIndexLowTable = std::array<std::array<double, kWindIndexLowCols>, kWindIndexLowRows>;
using WindIndexHighTable = std::array<std::array<double, kWindIndexHighCols>, kWindIndexHighRows>;

inline constexpr int kThBands = 29;  // bands 0-27 interpolated, band 28 on its own
inline constexpr int kThCols = 101;  // RH 0..100 %
using ThTable = std::array<std::array<double, kThCols>, kThBands>;

const HeatIndexTable& HeatIndex();
const WindChillLowTable& WindChillLow();
const WindChillHighTable& WindChillHigh();
const WindIndexLowTable& WindIndexLow();
const WindIndexHighTable& WindIndexHigh();
const ThTable& TemperatureHumidity();

// Formulas behind the tables, exposed so that tests can check them.
double NwsWindChill(double t, double v);
double ThomIndexTenths(double t, double rh);
// Temperature of a temperature-humidity band.
double ThBandTemperature(int band);

}  // namespace orbisk::data::tables
