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
  void step(std::int64_t time, int seconds);
  const Readings& readings() const { return readings_; }

  // The console's rain and ET counters (CLRVAR, PUTRAIN and date roll-over).
  void setYearRain(int clicks) {
    yearRain_ = clicks;
    publishCounters();
  }
  void clearCounter(int which);

 private:
  double noise(double x, unsigned channel) const;
  void publishCounters();
  void accumulateRain(std::int64_t time, int seconds, int rateClicksPerHour);

  std::uint32_t seed_;
  Readings readings_;
  std::int64_t last_ = 0;
  double rainFraction_ = 0, etFraction_ = 0;
  int dayRain_ = 0, monthRain_ = 0, yearRain_ = 0, stormRain_ = 0, stormStart_ = 0xFFFF;
  int dayEt_ = 0, monthEt_ = 0, yearEt_ = 0;
  std::int64_t lastRainTime_ = 0;
  std::deque<std::pair<std::int64_t, int>> recentClicks_;  // last 24 hours
  std::deque<std::pair<std::int64_t, int>> pressure_;      // last 3 hours
};

// Derived quantities in whole °F (the console's formulas, simplified).
int dewPointF(double tempF, double humidity);
int windChillF(double tempF, double mph);
int heatIndexF(double tempF, double humidity);

}  // namespace consolesim
