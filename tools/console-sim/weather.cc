#include "tools/console-sim/weather.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/console-sim/console_clock.h"

namespace consolesim {
namespace {

constexpr double kPi = std::numbers::pi;

std::uint32_t Mix(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

int ClampInt(double value, int low, int high) {
  return static_cast<int>(
      std::lround(std::clamp(value, static_cast<double>(low), static_cast<double>(high))));
}

}  // namespace

int DewPointF(double temp_f, double humidity) {
  const double c = (temp_f - 32) * 5 / 9;
  const double gamma = std::log(std::max(humidity, 1.0) / 100) + 17.62 * c / (243.12 + c);
  const double dew = 243.12 * gamma / (17.62 - gamma);
  return static_cast<int>(std::lround(std::min(dew, c) * 1.8 + 32));
}

int WindChillF(double temp_f, double mph) {
  if (temp_f > 50 || mph < 3) return static_cast<int>(std::lround(temp_f));
  const double v = std::pow(mph, 0.16);
  return static_cast<int>(
      std::lround(std::min(temp_f, 35.74 + 0.6215 * temp_f - 35.75 * v + 0.4275 * temp_f * v)));
}

int HeatIndexF(double t, double rh) {
  if (t < 80) return static_cast<int>(std::lround(t));
  const double hi = -42.379 + 2.04901523 * t + 10.14333127 * rh - 0.22475541 * t * rh -
                    6.83783e-3 * t * t - 5.481717e-2 * rh * rh + 1.22874e-3 * t * t * rh +
                    8.5282e-4 * t * rh * rh - 1.99e-6 * t * t * rh * rh;
  return static_cast<int>(std::lround(std::max(hi, t)));
}

Weather::Weather(std::uint32_t seed) : seed_(seed) {}

// Smooth noise in [-1, 1]: cosine interpolation between hashed lattice points.
double Weather::noise(double x, unsigned channel) const {
  const double cell = std::floor(x);
  const auto lattice = [&](double at) {
    const auto key = static_cast<std::uint32_t>(static_cast<std::int64_t>(at));
    return Mix(key ^ Mix(seed_ + channel * 0x9E3779B9U)) / 2147483647.5 - 1.0;
  };
  const double t = (1 - std::cos((x - cell) * kPi)) / 2;
  return lattice(cell) * (1 - t) + lattice(cell + 1) * t;
}

void Weather::ClearCounter(int which) {
  // The console's numbering: 0 day rain, 1 storm, 2 month rain, 3 year rain,
  // 4 day ET, 5 month ET, 6 year ET.
  switch (which) {
    case 0:
      day_rain_ = 0;
      break;
    case 1:
      storm_rain_ = 0;
      storm_start_ = 0xFFFF;
      break;
    case 2:
      month_rain_ = 0;
      break;
    case 3:
      year_rain_ = 0;
      break;
    case 4:
      day_et_ = 0;
      break;
    case 5:
      month_et_ = 0;
      break;
    case 6:
      year_et_ = 0;
      break;
    default:
      break;
  }
  PublishCounters();
}

void Weather::PublishCounters() {
  readings_["storm_rain"] = storm_rain_;
  readings_["storm_start"] = storm_start_;
  readings_["day_rain"] = day_rain_;
  readings_["month_rain"] = month_rain_;
  readings_["year_rain"] = year_rain_;
  readings_["day_et"] = day_et_;
  readings_["month_et"] = month_et_;
  readings_["year_et"] = year_et_;
}

void Weather::AccumulateRain(std::int64_t time, int seconds, int rate) {
  rain_fraction_ += rate * seconds / 3600.0;
  const int clicks = static_cast<int>(rain_fraction_);
  rain_fraction_ -= clicks;
  if (clicks > 0) {
    const CivilTime c = ToCivil(time);
    if (storm_start_ == 0xFFFF) storm_start_ = (c.month << 12) | (c.day << 7) | (c.year - 2000);
    day_rain_ += clicks;
    month_rain_ += clicks;
    year_rain_ += clicks;
    storm_rain_ += clicks;
    last_rain_time_ = time;
    recent_clicks_.emplace_back(time, clicks);
  }
  // A storm ends after a day without rain.
  if (storm_start_ != 0xFFFF && time - last_rain_time_ > 86400) ClearCounter(1);
  while (!recent_clicks_.empty() && recent_clicks_.front().first <= time - 86400)
    recent_clicks_.pop_front();
}

void Weather::Step(std::int64_t time, int seconds) {
  const CivilTime now = ToCivil(time);
  if (last_ != 0) {
    const CivilTime before = ToCivil(last_);
    if (before.day != now.day || before.month != now.month || before.year != now.year) {
      day_rain_ = 0;
      month_et_ += day_et_ / 10;
      year_et_ += day_et_ / 10;
      day_et_ = 0;
    }
    if (before.month != now.month) {
      month_rain_ = 0;
      month_et_ = 0;
    }
    if (before.year != now.year) {
      year_rain_ = 0;
      year_et_ = 0;
    }
  }
  last_ = time;

  const double hours = time / 3600.0;
  const double day_hour = now.hour + now.minute / 60.0 + now.second / 3600.0;
  const double daily = std::sin(2 * kPi * (day_hour - 9) / 24);  // warmest at 15 h
  const double temp_f = 55 + 12 * daily + 6 * noise(hours / 6, 1) + 2 * noise(hours, 2);
  const double humidity = std::clamp(62 - 22 * daily + 10 * noise(hours / 4, 3), 5.0, 100.0);
  const double barometer =
      29920 + 350 * std::sin(2 * kPi * hours / 70 + (seed_ % 17)) + 40 * noise(hours / 3, 4);
  const double wind = std::max(0.0, 6 + 5 * noise(hours / 2, 5) + 4 * noise(hours * 4, 6));
  const double gust = wind + 3 + 4 * std::abs(noise(hours * 8, 7));
  const int direction =
      static_cast<int>(std::lround(std::fmod(720 + 200 + 160 * noise(hours / 5, 8), 360)));
  const bool showers = noise(hours / 2, 9) > 0.55;
  const int rain_rate = showers ? ClampInt(60 + 300 * (noise(hours / 2, 9) - 0.55), 0, 2000) : 0;
  const double sun = std::max(0.0, std::sin(kPi * (day_hour - 6.5) / 12.5));
  const double cloud = showers ? 0.25 : 0.75 + 0.25 * noise(hours, 10);
  const int solar = ClampInt(950 * sun * cloud, 0, 1800);

  AccumulateRain(time, seconds, rain_rate);
  et_fraction_ += solar * seconds / 3600.0 / 4000.0;  // about 0.2 inch on a sunny day
  const int et = static_cast<int>(et_fraction_);
  et_fraction_ -= et;
  day_et_ += et;

  pressure_.emplace_back(time, static_cast<int>(barometer));
  while (pressure_.size() > 1 && pressure_.front().first < time - 3 * 3600) pressure_.pop_front();
  const int change = pressure_.back().second - pressure_.front().second;
  const int trend = change >= 60    ? 60
                    : change >= 20  ? 20
                    : change <= -60 ? -60
                    : change <= -20 ? -20
                                    : 0;

  int last_hour = 0, last15 = 0, last24 = 0;
  for (const auto& [at, clicks] : recent_clicks_) {
    last24 += clicks;
    if (at > time - 3600) last_hour += clicks;
    if (at > time - 900) last15 += clicks;
  }

  Readings& r = readings_;
  const int out_tenths = ClampInt(temp_f * 10, -400, 1500);
  const int wind_mph = ClampInt(wind, 0, 200);
  r["bar_trend"] = trend;
  r["bar_change_3h"] = change;  // watched by the barometer alarms, not sent
  r["barometer"] = ClampInt(barometer, 20000, 32500);
  r["bar_raw"] = r["barometer"] - 950;
  r["bar_abs"] = r["barometer"] - 960;
  r["altimeter"] = r["barometer"] + 15;
  r["inside_temp"] = ClampInt(700 + 15 * daily + 5 * noise(hours, 11), 500, 900);
  r["inside_hum"] = ClampInt(42 + 5 * noise(hours / 8, 12), 20, 70);
  r["outside_temp"] = out_tenths;
  r["outside_hum"] = ClampInt(humidity, 1, 100);
  r["wind_speed"] = wind_mph;
  r["wind_avg10"] = ClampInt(wind * 0.9, 0, 200);
  r["wind_avg10_tenths"] = ClampInt(wind * 9, 0, 2000);
  r["wind_avg2_tenths"] = ClampInt(wind * 10, 0, 2000);
  r["wind_gust10"] = ClampInt(gust, 0, 250);
  r["wind_dir"] = direction == 0 ? 360 : direction;
  r["wind_gust_dir"] = r["wind_dir"];
  for (int i = 1; i <= 7; ++i) {
    r["extra_temp" + std::to_string(i)] =
        ClampInt(temp_f - 2 * i + 3 * noise(hours / 3, 20 + i) + 90, 0, 254);
    r["extra_hum" + std::to_string(i)] =
        ClampInt(humidity + 3 * i * noise(hours / 5, 30 + i), 1, 100);
  }
  for (int i = 1; i <= 4; ++i) {
    r["soil_temp" + std::to_string(i)] =
        ClampInt(52 + 4 * std::sin(2 * kPi * (day_hour - 14) / 24) - i + 90, 0, 254);
    r["soil_moist" + std::to_string(i)] =
        ClampInt(40 + 20 * noise(hours / 24, 40 + i) - (showers ? 15 : 0), 0, 200);
    r["leaf_temp" + std::to_string(i)] = ClampInt(temp_f - 1 + 90, 0, 254);
    r["leaf_wet" + std::to_string(i)] = showers ? 15 : ClampInt(humidity > 90 ? 8 : 0, 0, 15);
  }
  r["rain_rate"] = rain_rate;
  r["uv"] = ClampInt(solar / 9.0, 0, 160);
  r["solar"] = solar;
  PublishCounters();
  r["rain_15min"] = last15;
  r["rain_hour"] = last_hour;
  r["rain_24h"] = last24;
  r["dew_point"] = DewPointF(temp_f, humidity);
  r["wind_chill"] = WindChillF(temp_f, wind);
  r["heat_index"] = HeatIndexF(temp_f, humidity);
  r["thsw"] = r["heat_index"] + solar / 100 - wind_mph / 5;
  r["console_battery"] = 780;
  r["tx_battery"] = 0;
  r["repeater_battery"] = 0;
  r["forecast_icon"] = showers ? 7 : cloud < 0.8 ? 6 : 8;
  r["forecast_rule"] = showers ? 23 : 45;
  r["sunrise"] = 632;
  r["sunset"] = 1854;
}

}  // namespace consolesim
