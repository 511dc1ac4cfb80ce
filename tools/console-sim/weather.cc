#include "tools/console-sim/weather.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/console-sim/clock.h"

namespace consolesim {
namespace {

constexpr double kPi = std::numbers::pi;

std::uint32_t mix(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

int clampInt(double value, int low, int high) {
  return static_cast<int>(std::lround(std::clamp(value, static_cast<double>(low), static_cast<double>(high))));
}

}  // namespace

int dewPointF(double tempF, double humidity) {
  const double c = (tempF - 32) * 5 / 9;
  const double gamma = std::log(std::max(humidity, 1.0) / 100) + 17.62 * c / (243.12 + c);
  const double dew = 243.12 * gamma / (17.62 - gamma);
  return static_cast<int>(std::lround(std::min(dew, c) * 1.8 + 32));
}

int windChillF(double tempF, double mph) {
  if (tempF > 50 || mph < 3) return static_cast<int>(std::lround(tempF));
  const double v = std::pow(mph, 0.16);
  return static_cast<int>(std::lround(std::min(tempF, 35.74 + 0.6215 * tempF - 35.75 * v + 0.4275 * tempF * v)));
}

int heatIndexF(double t, double rh) {
  if (t < 80) return static_cast<int>(std::lround(t));
  const double hi = -42.379 + 2.04901523 * t + 10.14333127 * rh - 0.22475541 * t * rh - 6.83783e-3 * t * t -
                    5.481717e-2 * rh * rh + 1.22874e-3 * t * t * rh + 8.5282e-4 * t * rh * rh -
                    1.99e-6 * t * t * rh * rh;
  return static_cast<int>(std::lround(std::max(hi, t)));
}

Weather::Weather(std::uint32_t seed) : seed_(seed) {}

// Smooth noise in [-1, 1]: cosine interpolation between hashed lattice points.
double Weather::noise(double x, unsigned channel) const {
  const double cell = std::floor(x);
  const auto lattice = [&](double at) {
    const auto key = static_cast<std::uint32_t>(static_cast<std::int64_t>(at));
    return mix(key ^ mix(seed_ + channel * 0x9E3779B9U)) / 2147483647.5 - 1.0;
  };
  const double t = (1 - std::cos((x - cell) * kPi)) / 2;
  return lattice(cell) * (1 - t) + lattice(cell + 1) * t;
}

void Weather::clearCounter(int which) {
  // The console's numbering: 0 day rain, 1 storm, 2 month rain, 3 year rain,
  // 4 day ET, 5 month ET, 6 year ET.
  switch (which) {
    case 0: dayRain_ = 0; break;
    case 1: stormRain_ = 0; stormStart_ = 0xFFFF; break;
    case 2: monthRain_ = 0; break;
    case 3: yearRain_ = 0; break;
    case 4: dayEt_ = 0; break;
    case 5: monthEt_ = 0; break;
    case 6: yearEt_ = 0; break;
    default: break;
  }
  publishCounters();
}

void Weather::publishCounters() {
  readings_["storm_rain"] = stormRain_;
  readings_["storm_start"] = stormStart_;
  readings_["day_rain"] = dayRain_;
  readings_["month_rain"] = monthRain_;
  readings_["year_rain"] = yearRain_;
  readings_["day_et"] = dayEt_;
  readings_["month_et"] = monthEt_;
  readings_["year_et"] = yearEt_;
}

void Weather::accumulateRain(std::int64_t time, int seconds, int rate) {
  rainFraction_ += rate * seconds / 3600.0;
  const int clicks = static_cast<int>(rainFraction_);
  rainFraction_ -= clicks;
  if (clicks > 0) {
    const CivilTime c = toCivil(time);
    if (stormStart_ == 0xFFFF) stormStart_ = (c.month << 12) | (c.day << 7) | (c.year - 2000);
    dayRain_ += clicks;
    monthRain_ += clicks;
    yearRain_ += clicks;
    stormRain_ += clicks;
    lastRainTime_ = time;
    recentClicks_.emplace_back(time, clicks);
  }
  // A storm ends after a day without rain.
  if (stormStart_ != 0xFFFF && time - lastRainTime_ > 86400) clearCounter(1);
  while (!recentClicks_.empty() && recentClicks_.front().first <= time - 86400) recentClicks_.pop_front();
}

void Weather::step(std::int64_t time, int seconds) {
  const CivilTime now = toCivil(time);
  if (last_ != 0) {
    const CivilTime before = toCivil(last_);
    if (before.day != now.day || before.month != now.month || before.year != now.year) {
      dayRain_ = 0;
      monthEt_ += dayEt_ / 10;
      yearEt_ += dayEt_ / 10;
      dayEt_ = 0;
    }
    if (before.month != now.month) { monthRain_ = 0; monthEt_ = 0; }
    if (before.year != now.year) { yearRain_ = 0; yearEt_ = 0; }
  }
  last_ = time;

  const double hours = time / 3600.0;
  const double dayHour = now.hour + now.minute / 60.0 + now.second / 3600.0;
  const double daily = std::sin(2 * kPi * (dayHour - 9) / 24);  // warmest at 15 h
  const double tempF = 55 + 12 * daily + 6 * noise(hours / 6, 1) + 2 * noise(hours, 2);
  const double humidity = std::clamp(62 - 22 * daily + 10 * noise(hours / 4, 3), 5.0, 100.0);
  const double barometer = 29920 + 350 * std::sin(2 * kPi * hours / 70 + (seed_ % 17)) + 40 * noise(hours / 3, 4);
  const double wind = std::max(0.0, 6 + 5 * noise(hours / 2, 5) + 4 * noise(hours * 4, 6));
  const double gust = wind + 3 + 4 * std::abs(noise(hours * 8, 7));
  const int direction = static_cast<int>(std::lround(std::fmod(720 + 200 + 160 * noise(hours / 5, 8), 360)));
  const bool showers = noise(hours / 2, 9) > 0.55;
  const int rainRate = showers ? clampInt(60 + 300 * (noise(hours / 2, 9) - 0.55), 0, 2000) : 0;
  const double sun = std::max(0.0, std::sin(kPi * (dayHour - 6.5) / 12.5));
  const double cloud = showers ? 0.25 : 0.75 + 0.25 * noise(hours, 10);
  const int solar = clampInt(950 * sun * cloud, 0, 1800);

  accumulateRain(time, seconds, rainRate);
  etFraction_ += solar * seconds / 3600.0 / 4000.0;  // about 0.2 inch on a sunny day
  const int et = static_cast<int>(etFraction_);
  etFraction_ -= et;
  dayEt_ += et;

  pressure_.emplace_back(time, static_cast<int>(barometer));
  while (pressure_.size() > 1 && pressure_.front().first < time - 3 * 3600) pressure_.pop_front();
  const int change = pressure_.back().second - pressure_.front().second;
  const int trend = change >= 60 ? 60 : change >= 20 ? 20 : change <= -60 ? -60 : change <= -20 ? -20 : 0;

  int lastHour = 0, last15 = 0, last24 = 0;
  for (const auto& [at, clicks] : recentClicks_) {
    last24 += clicks;
    if (at > time - 3600) lastHour += clicks;
    if (at > time - 900) last15 += clicks;
  }

  Readings& r = readings_;
  const int outTenths = clampInt(tempF * 10, -400, 1500);
  const int windMph = clampInt(wind, 0, 200);
  r["bar_trend"] = trend;
  r["bar_change_3h"] = change;  // watched by the barometer alarms, not sent
  r["barometer"] = clampInt(barometer, 20000, 32500);
  r["bar_raw"] = r["barometer"] - 950;
  r["bar_abs"] = r["barometer"] - 960;
  r["altimeter"] = r["barometer"] + 15;
  r["inside_temp"] = clampInt(700 + 15 * daily + 5 * noise(hours, 11), 500, 900);
  r["inside_hum"] = clampInt(42 + 5 * noise(hours / 8, 12), 20, 70);
  r["outside_temp"] = outTenths;
  r["outside_hum"] = clampInt(humidity, 1, 100);
  r["wind_speed"] = windMph;
  r["wind_avg10"] = clampInt(wind * 0.9, 0, 200);
  r["wind_avg10_tenths"] = clampInt(wind * 9, 0, 2000);
  r["wind_avg2_tenths"] = clampInt(wind * 10, 0, 2000);
  r["wind_gust10"] = clampInt(gust, 0, 250);
  r["wind_dir"] = direction == 0 ? 360 : direction;
  r["wind_gust_dir"] = r["wind_dir"];
  for (int i = 1; i <= 7; ++i) {
    r["extra_temp" + std::to_string(i)] = clampInt(tempF - 2 * i + 3 * noise(hours / 3, 20 + i) + 90, 0, 254);
    r["extra_hum" + std::to_string(i)] = clampInt(humidity + 3 * i * noise(hours / 5, 30 + i), 1, 100);
  }
  for (int i = 1; i <= 4; ++i) {
    r["soil_temp" + std::to_string(i)] = clampInt(52 + 4 * std::sin(2 * kPi * (dayHour - 14) / 24) - i + 90, 0, 254);
    r["soil_moist" + std::to_string(i)] = clampInt(40 + 20 * noise(hours / 24, 40 + i) - (showers ? 15 : 0), 0, 200);
    r["leaf_temp" + std::to_string(i)] = clampInt(tempF - 1 + 90, 0, 254);
    r["leaf_wet" + std::to_string(i)] = showers ? 15 : clampInt(humidity > 90 ? 8 : 0, 0, 15);
  }
  r["rain_rate"] = rainRate;
  r["uv"] = clampInt(solar / 9.0, 0, 160);
  r["solar"] = solar;
  publishCounters();
  r["rain_15min"] = last15;
  r["rain_hour"] = lastHour;
  r["rain_24h"] = last24;
  r["dew_point"] = dewPointF(tempF, humidity);
  r["wind_chill"] = windChillF(tempF, wind);
  r["heat_index"] = heatIndexF(tempF, humidity);
  r["thsw"] = r["heat_index"] + solar / 100 - windMph / 5;
  r["console_battery"] = 780;
  r["tx_battery"] = 0;
  r["repeater_battery"] = 0;
  r["forecast_icon"] = showers ? 7 : cloud < 0.8 ? 6 : 8;
  r["forecast_rule"] = showers ? 23 : 45;
  r["sunrise"] = 632;
  r["sunset"] = 1854;
}

}  // namespace consolesim
