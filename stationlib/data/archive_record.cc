#include "stationlib/data/archive_record.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "stationlib/data/derived.h"
#include "stationlib/data/time_text.h"

namespace orbisk::archive {
namespace {

using data::Reading;

constexpr float kDashed = kOrbiskValueDashed;
constexpr std::int16_t kDashedCode = kOrbiskValueDashed;
constexpr std::uint8_t kNoByte = 255;

// The record's fields by byte offset.
struct Raw {
  const std::uint8_t* r;
  std::uint16_t word(int at) const { return static_cast<std::uint16_t>(r[at] | (r[at + 1] << 8)); }
  std::int16_t SignedWord(int at) const { return static_cast<std::int16_t>(word(at)); }
  std::uint8_t byte(int at) const { return r[at]; }
};

float Out(Reading v) {
  return v ? static_cast<float>(*v) : kDashed;
}

// Humidity: 0 stays 0, 1-100 as is, 255 and 128 dashed, anything else 100.
Reading Humidity(std::uint8_t h) {
  if (h == 255 || h == 128) return std::nullopt;
  return h <= 100 ? h : 100.0;
}

// Tenths of a degree F, as degrees F (dashed stays dashed).
Reading Fahrenheit(std::int16_t tenths) {
  if (tenths == 0x7FFF || tenths == static_cast<std::int16_t>(0x8000)) return std::nullopt;
  return tenths / 10.0;
}

Reading Mph(std::uint8_t v) {
  return v == kNoByte ? Reading{} : Reading{v};
}

Reading Tenths(std::uint8_t v) {
  return v == kNoByte ? Reading{} : Reading{v / 10.0};
}

Reading Et(std::uint8_t thousandths, const data::Units& u) {
  const double inches = thousandths / 1000.0;
  return u.rain == 1 ? inches * 25.4 : inches;
}

Reading PlainByte(std::uint8_t v) {
  return v == kNoByte ? Reading{} : Reading{v};
}

std::int16_t Solar(std::uint16_t v) {
  return v == 0x7FFF ? kDashedCode : static_cast<std::int16_t>(v);
}

// A direction code: dashed when there was no wind or the byte is dashed.
std::int16_t Direction(std::uint8_t code, std::uint8_t high_wind) {
  return high_wind == 0 || high_wind == kNoByte || code == kNoByte ? kDashedCode : code;
}

void DirectionTextInto(char (&text)[6], std::int16_t code) {
  std::snprintf(text, sizeof text, "%s", DirectionText(code));
}

// The common head of both records: date, minutes, date text and time text.
template <class Record>
void Head(const Raw& raw, Record& out) {
  const int date = raw.word(0), time = raw.word(2);
  const int day = date & 31, month = (date >> 5) & 15, year = 2000 + (date >> 9);
  out.year = static_cast<std::int16_t>(year);
  out.month = static_cast<std::uint8_t>(month);
  out.day = static_cast<std::uint8_t>(day);
  out.minutes = static_cast<std::int16_t>(data::HhmmToMinutes(time));
  if (month < 1 || month > 12 || day < 1)
    std::snprintf(out.dateText, sizeof out.dateText, "-----");
  else
    std::snprintf(out.dateText, sizeof out.dateText, "%02d%c%02d%c%02d", month, '-', day, '-',
                  year % 100);
  std::snprintf(out.timeText, sizeof out.timeText, "%s",
                data::MinuteOfDayText(out.minutes).c_str());
}

}  // namespace

const char* DirectionText(int index) {
  static const char* const kTexts[17] = {"N",  "NNE", "NE", "ENE", "E",  "ESE",
                                         "SE", "SSE", "S",  "SSW", "SW", "WSW",
                                         "W",  "WNW", "NW", "NNW", "---"};
  return kTexts[index >= 0 && index < 16 ? index : 16];
}

void DecodeRecord(const std::uint8_t* record, const RecordContext& c, OrbiskArchiveRecord& out) {
  const Raw raw{record};
  const data::Units& u = c.units;
  std::memset(&out, 0, sizeof out);
  Head(raw, out);
  const Reading out_f = Fahrenheit(raw.SignedWord(4));
  const Reading out_hum = Humidity(raw.byte(23));
  const Reading wind = Mph(raw.byte(24));
  out.heatIndex = Out(data::HeatIndexF(out_f, out_hum));
  out.windChill = Out(data::WindChillF(out_f, wind));
  out.highOutsideTemp = Out(data::TenthsFahrenheit(raw.SignedWord(6), u));
  out.lowOutsideTemp = Out(data::TenthsFahrenheit(raw.SignedWord(8), u));
  out.dewPoint = Out(data::DewPointF(out_f, out_hum));
  out.windSpeed = Out(data::WindSpeed(raw.byte(24), u));
  out.windDirection = Direction(raw.byte(27), raw.byte(25));
  DirectionTextInto(out.windDirectionText, out.windDirection);
  out.highWindSpeed = Out(data::WindSpeed(raw.byte(25), u));
  out.rain = Out(data::RainTotal(raw.word(10), c.rain_model, u));
  out.barometer = Out(data::Barometer(raw.word(14), u));
  out.insideTemp = Out(data::TenthsFahrenheit(raw.SignedWord(20), u));
  out.outsideTemp = Out(data::TenthsFahrenheit(raw.SignedWord(4), u));
  out.insideHumidity = Out(Humidity(raw.byte(22)));
  out.outsideHumidity = Out(out_hum);
  out.archivePeriod = static_cast<std::int16_t>(c.period_minutes);
  out.solarRadiation = Solar(raw.word(16));
  out.uv = Out(Tenths(raw.byte(28)));
  out.et = Out(Et(raw.byte(29), u));
  out.highWindDirection = Direction(raw.byte(26), raw.byte(25));
  DirectionTextInto(out.highWindDirectionText, out.highWindDirection);
}

void DecodeRecordEx(const std::uint8_t* record, const RecordContext& c,
                    OrbiskArchiveRecordEx& out) {
  const Raw raw{record};
  const data::Units& u = c.units;
  const bool n = c.new_layout;
  std::memset(&out, 0, sizeof out);
  Head(raw, out);
  out.archivePeriod = static_cast<std::int16_t>(c.period_minutes);
  const Reading out_f = Fahrenheit(raw.SignedWord(4));
  const Reading in_f = Fahrenheit(raw.SignedWord(20));
  const Reading out_hum = Humidity(raw.byte(23));
  const Reading in_hum = Humidity(raw.byte(22));
  const Reading wind = Mph(raw.byte(24));
  out.outsideTemp = Out(data::TenthsFahrenheit(raw.SignedWord(4), u));
  out.highOutsideTemp = Out(data::TenthsFahrenheit(raw.SignedWord(6), u));
  out.lowOutsideTemp = Out(data::TenthsFahrenheit(raw.SignedWord(8), u));
  out.insideTemp = Out(data::TenthsFahrenheit(raw.SignedWord(20), u));
  out.barometer = Out(data::Barometer(raw.word(14), u));
  out.reserved = kDashed;
  out.outsideHumidity = Out(out_hum);
  out.insideHumidity = Out(in_hum);
  out.rain = Out(data::RainTotal(raw.word(10), c.rain_model, u));
  out.highRainRate = Out(data::RainRate(raw.word(12), c.rain_model, u));
  out.windSpeed = Out(data::WindSpeed(raw.byte(24), u));
  out.highWindSpeed = Out(data::WindSpeed(raw.byte(25), u));
  out.windDirection = Direction(raw.byte(27), raw.byte(25));
  DirectionTextInto(out.windDirectionText, out.windDirection);
  out.highWindDirection = Direction(raw.byte(26), raw.byte(25));
  DirectionTextInto(out.highWindDirectionText, out.highWindDirection);
  out.windSamples = raw.SignedWord(18);
  out.expectedWindSamples = static_cast<std::int16_t>(c.expected_wind_samples);
  out.solarRadiation = Solar(raw.word(16));
  out.highSolarRadiation = n ? Solar(raw.word(30)) : kDashedCode;
  out.uv = Out(Tenths(raw.byte(28)));
  out.highUv = n ? Out(Tenths(raw.byte(32))) : kDashed;
  out.et = Out(Et(raw.byte(29), u));

  // Byte offsets of the sensor fields in each layout; -1: not in the layout.
  struct Layout {
    int extra_temp[3], extra_hum[2], soil_temp[4], leaf_temp[2], soil_moisture[4], leaf_wet[2];
  };
  static constexpr Layout kNew{{45, 46, 47}, {43, 44},         {38, 39, 40, 41},
                               {34, 35},     {48, 49, 50, 51}, {36, 37}};
  static constexpr Layout kOld{{43, 44, -1}, {45, 46},         {35, 36, 37, 38},
                               {-1, -1},     {31, 32, 33, 34}, {39, 40}};
  const Layout& l = n ? kNew : kOld;
  const auto temperature = [&](int at) {
    return at < 0 ? kDashed : Out(data::ByteTemperature(raw.byte(at), u));
  };
  const auto plain = [&](int at) { return at < 0 ? kDashed : Out(PlainByte(raw.byte(at))); };
  for (int i = 0; i < 3; ++i) out.extraTemp[i] = temperature(l.extra_temp[i]);
  for (int i = 0; i < 2; ++i)
    out.extraHumidity[i] = l.extra_hum[i] < 0 ? kDashed : Out(Humidity(raw.byte(l.extra_hum[i])));
  for (int i = 0; i < 4; ++i) out.soilTemp[i] = temperature(l.soil_temp[i]);
  for (int i = 0; i < 2; ++i) out.leafTemp[i] = temperature(l.leaf_temp[i]);
  for (int i = 0; i < 4; ++i) out.soilMoisture[i] = plain(l.soil_moisture[i]);
  for (int i = 0; i < 2; ++i) out.leafWetness[i] = plain(l.leaf_wet[i]);

  out.heatIndex = Out(data::HeatIndexF(out_f, out_hum));
  out.thwIndex = Out(data::ThswIndexF(out_f, out_hum, wind));
  out.thswIndex = kDashed;
  out.windChill = Out(data::WindChillF(out_f, wind));
  out.dewPoint = Out(data::DewPointF(out_f, out_hum));
  out.insideHeatIndex = Out(data::HeatIndexF(in_f, in_hum));
  out.insideDewPoint = Out(data::DewPointF(in_f, in_hum));
}

}  // namespace orbisk::archive
