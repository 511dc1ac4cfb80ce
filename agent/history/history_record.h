#pragma once
// A stored record as the history tags and charts read it, and the present they end at.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "platform/env.h"

namespace agent {

// The measures the history reads, in the order of kHistoryColumns.
enum HistoryField : std::size_t {
  kTempOut,
  kTempOutHi,
  kTempOutLo,
  kHumOut,
  kPressure,
  kRain,
  kWindAvg,
  kWindHi,
  kSolar,
  kUv,
  kEt,
  kHistoryFieldCount
};
inline constexpr const char* kHistoryColumns[] = {
    "temp_out_c",   "temp_out_hi_c", "temp_out_lo_c", "hum_out", "pressure_hpa", "rain_mm",
    "wind_avg_kmh", "wind_hi_kmh",   "solar_wm2",     "uv",      "et_mm"};
static_assert(std::size(kHistoryColumns) == kHistoryFieldCount);

struct HistoryRecord {
  std::int64_t time_utc = 0;  // end of the record's period
  std::int64_t reading = 0;   // its local stamp as ReadingSeconds
  int interval_min = 0;
  std::array<double, kHistoryFieldCount> values{};  // NaN where the record has none

  bool Has(HistoryField field) const { return !std::isnan(values[field]); }
};

// The present the periods end at: the instant and the host's local clock reading of it.
struct HistoryClock {
  std::int64_t now_utc = 0;
  std::int64_t now_reading = 0;  // ReadingSeconds of the local time
  // Seconds the local clock is ahead of UTC now.
  std::int64_t Offset() const { return now_reading - now_utc; }
};
HistoryClock HistoryClockOf(platform::Env& env);

// The dew point in °C the station library publishes for its live reading (Magnus formula,
// Sonntag's constants, never above the temperature); NaN outside 1-100 % or without a value.
double DewPointC(double temp_c, double humidity);

}  // namespace agent
