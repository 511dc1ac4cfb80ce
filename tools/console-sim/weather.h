#pragma once
// Weather that evolves with time from a seed: a daily temperature cycle,
// humidity against it, pressure with a slow swing (and its trend), wind with
// gusts and a wandering direction, rain showers, sun and UV by time of day,
// and the extra, soil and leaf sensors. Values are the console's raw units.
#include <cstdint>
#include <deque>
#include <utility>

#include "tools/console-sim/layout.h"

namespace consolesim {

class Weather {
 public:
  explicit Weather(std::uint32_t seed);

  // Moves the weather to `time`, `seconds` after the previous step.
  void Step(std::int64_t time, int seconds);
  const Readings& readings() const { return readings_; }

  // The console's rain and ET counters (CLRVAR, PUTRAIN and date roll-over).
  void SetYearRain(int clicks) {
    year_rain_ = clicks;
    PublishCounters();
  }
  void ClearCounter(int which);

 private:
  double noise(double x, unsigned channel) const;
  void PublishCounters();
  void AccumulateRain(std::int64_t time, int seconds, int rate_clicks_per_hour);

  std::uint32_t seed_;
  Readings readings_;
  std::int64_t last_ = 0;
  double rain_fraction_ = 0, et_fraction_ = 0;
  int day_rain_ = 0, month_rain_ = 0, year_rain_ = 0, storm_rain_ = 0, storm_start_ = 0xFFFF;
  int day_et_ = 0, month_et_ = 0, year_et_ = 0;
  std::int64_t last_rain_time_ = 0;
  std::deque<std::pair<std::int64_t, int>> recent_clicks_;  // last 24 hours
  std::deque<std::pair<std::int64_t, int>> pressure_;       // last 3 hours
};

// Derived quantities in whole °F (the console's formulas, simplified).
int DewPointF(double temp_f, double humidity);
int WindChillF(double temp_f, double mph);
int HeatIndexF(double temp_f, double humidity);

}  // namespace consolesim
