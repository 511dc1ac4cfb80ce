#include "stationlib/data/live_packet.h"

#include <algorithm>

namespace orbisk::data {
namespace {

std::uint16_t U16(std::span<const std::uint8_t, kLivePacketSize> p, std::size_t at) {
  return static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8));
}
std::uint8_t Humidity(std::uint8_t raw) {
  return raw == 127 || raw == 128 ? 255 : raw;
}
std::int16_t Tenths(std::uint16_t raw) {
  return static_cast<std::int16_t>(raw == 0x7FFF ? 0x8000 : raw);
}
bool IsTrend(std::int8_t t) {
  return t == -60 || t == -20 || t == 0 || t == 20 || t == 60;
}

}  // namespace

bool DecodeLivePacket(std::span<const std::uint8_t, kLivePacketSize> p,
                      const FirmwareFeatures& features, CurrentStore& s) {
  if (p[0] != 'L' || p[4] != 0) return false;
  const auto trend = static_cast<std::int8_t>(p[3]);
  s.bar_trend =
      static_cast<std::int16_t>(!features.no_bar_trend && IsTrend(trend) ? trend : 0x8000);
  const std::uint16_t bar = U16(p, 7);
  s.barometer = bar < 16000 || bar > 32500 ? 0x8000 : bar;
  s.inside_temp = Tenths(U16(p, 9));
  s.inside_hum = Humidity(p[11]);
  s.outside_temp = Tenths(U16(p, 12));
  s.wind_speed = p[14];
  s.wind_avg10 = p[15];
  s.wind_dir = U16(p, 16);
  std::copy_n(p.begin() + 18, 7, s.extra_temp.begin());
  std::copy_n(p.begin() + 25, 4, s.soil_temp.begin());
  std::copy_n(p.begin() + 29, 2, s.leaf_temp.begin());
  s.outside_hum = Humidity(p[33]);
  std::transform(p.begin() + 34, p.begin() + 41, s.extra_hum.begin(), Humidity);
  s.rain_rate = U16(p, 41);
  s.uv = p[43];
  const std::uint16_t solar = U16(p, 44);
  s.solar = solar == 0x7FFF ? 0x8000 : solar;
  s.storm_rain = U16(p, 46);
  s.storm_start = U16(p, 48);
  s.day_rain = U16(p, 50);
  s.month_rain = U16(p, 52);
  s.year_rain = U16(p, 54);
  s.day_et = U16(p, 56);
  s.month_et = U16(p, 58);
  s.year_et = U16(p, 60);
  std::copy_n(p.begin() + 62, 4, s.soil_moisture.begin());
  std::copy_n(p.begin() + 66, 2, s.leaf_wetness.begin());
  s.repeater_battery = p[69];
  // Alarm record: inside, rain, outside (low byte only; the byte at 73 is not
  // kept), then the twelve extra, soil and leaf alarm bytes.
  s.alarms = {};
  s.alarms[0] = p[70];
  s.alarms[1] = p[71];
  s.alarms[2] = p[72];
  std::copy_n(p.begin() + 74, 12, s.alarms.begin() + 4);
  s.tx_battery = p[86];
  const std::uint16_t battery = U16(p, 87);
  s.console_battery = battery < 518 ? 0x8000 : battery;
  s.forecast_icon = p[89];
  s.forecast_rule = p[90];
  s.sunrise = static_cast<std::int16_t>(U16(p, 91));
  s.sunset = static_cast<std::int16_t>(U16(p, 93));
  s.wind2_min_avg = s.gust10 = s.last_hour_rain = s.last24_rain = s.altimeter = 0x8000;
  return true;
}

void DecodeSecondPacket(std::span<const std::uint8_t, kLivePacketSize> p, CurrentStore& s) {
  const std::uint16_t avg = U16(p, 20);
  s.wind2_min_avg = avg == 0x7FFF || avg == 0x8000 ? 0x8000 : static_cast<std::uint16_t>(avg / 10);
  s.gust10 = U16(p, 22);
  s.last_hour_rain = U16(p, 54);
  s.last24_rain = U16(p, 58);
  s.altimeter = U16(p, 69);
}

}  // namespace orbisk::data
