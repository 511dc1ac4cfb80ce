#include "stationlib/data/live_packet.h"

#include <algorithm>

namespace orbisk::data {
namespace {

std::uint16_t u16(std::span<const std::uint8_t, kLivePacketSize> p, std::size_t at) {
  return static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8));
}
std::uint8_t humidity(std::uint8_t raw) { return raw == 127 || raw == 128 ? 255 : raw; }
std::int16_t tenths(std::uint16_t raw) {
  return static_cast<std::int16_t>(raw == 0x7FFF ? 0x8000 : raw);
}
bool isTrend(std::int8_t t) { return t == -60 || t == -20 || t == 0 || t == 20 || t == 60; }

}  // namespace

bool decodeLivePacket(std::span<const std::uint8_t, kLivePacketSize> p, const FirmwareFeatures& features,
                      CurrentStore& s) {
  if (p[0] != 'L' || p[4] != 0) return false;
  const auto trend = static_cast<std::int8_t>(p[3]);
  s.barTrend = static_cast<std::int16_t>(!features.noBarTrend && isTrend(trend) ? trend : 0x8000);
  const std::uint16_t bar = u16(p, 7);
  s.barometer = bar < 16000 || bar > 32500 ? 0x8000 : bar;
  s.insideTemp = tenths(u16(p, 9));
  s.insideHum = humidity(p[11]);
  s.outsideTemp = tenths(u16(p, 12));
  s.windSpeed = p[14];
  s.windAvg10 = p[15];
  s.windDir = u16(p, 16);
  std::copy_n(p.begin() + 18, 7, s.extraTemp.begin());
  std::copy_n(p.begin() + 25, 4, s.soilTemp.begin());
  std::copy_n(p.begin() + 29, 2, s.leafTemp.begin());
  s.outsideHum = humidity(p[33]);
  std::transform(p.begin() + 34, p.begin() + 41, s.extraHum.begin(), humidity);
  s.rainRate = u16(p, 41);
  s.uv = p[43];
  const std::uint16_t solar = u16(p, 44);
  s.solar = solar == 0x7FFF ? 0x8000 : solar;
  s.stormRain = u16(p, 46);
  s.stormStart = u16(p, 48);
  s.dayRain = u16(p, 50);
  s.monthRain = u16(p, 52);
  s.yearRain = u16(p, 54);
  s.dayEt = u16(p, 56);
  s.monthEt = u16(p, 58);
  s.yearEt = u16(p, 60);
  std::copy_n(p.begin() + 62, 4, s.soilMoisture.begin());
  std::copy_n(p.begin() + 66, 2, s.leafWetness.begin());
  s.repeaterBattery = p[69];
  // Alarm record: inside, rain, outside (low byte only; the byte at 73 is not
  // kept), then the twelve extra, soil and leaf alarm bytes.
  s.alarms = {};
  s.alarms[0] = p[70];
  s.alarms[1] = p[71];
  s.alarms[2] = p[72];
  std::copy_n(p.begin() + 74, 12, s.alarms.begin() + 4);
  s.txBattery = p[86];
  const std::uint16_t battery = u16(p, 87);
  s.consoleBattery = battery < 518 ? 0x8000 : battery;
  s.forecastIcon = p[89];
  s.forecastRule = p[90];
  s.sunrise = static_cast<std::int16_t>(u16(p, 91));
  s.sunset = static_cast<std::int16_t>(u16(p, 93));
  s.wind2MinAvg = s.gust10 = s.lastHourRain = s.last24Rain = s.altimeter = 0x8000;
  return true;
}

void decodeSecondPacket(std::span<const std::uint8_t, kLivePacketSize> p, CurrentStore& s) {
  const std::uint16_t avg = u16(p, 20);
  s.wind2MinAvg = avg == 0x7FFF || avg == 0x8000 ? 0x8000 : static_cast<std::uint16_t>(avg / 10);
  s.gust10 = u16(p, 22);
  s.lastHourRain = u16(p, 54);
  s.last24Rain = u16(p, 58);
  s.altimeter = u16(p, 69);
}

}  // namespace orbisk::data
