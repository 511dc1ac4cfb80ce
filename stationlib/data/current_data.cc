#include "stationlib/data/current_data.h"

#include <cmath>
#include <cstdio>

#include "stationlib/data/codes.h"
#include "stationlib/data/derived.h"
#include "stationlib/data/forecast.h"
#include "stationlib/data/identifier.h"
#include "stationlib/data/time_text.h"

namespace orbisk::data {
namespace {

constexpr const char* kSectors[16] = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                      "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};

std::string Format(const char* fmt, double v) {
  char text[64];
  std::snprintf(text, sizeof text, fmt, v);
  return text;
}

// Builds the answer for a numeric reading with its text format.
ValueAnswer MakeAnswer(Reading r, const char* fmt, std::size_t min_length) {
  ValueAnswer a;
  a.min_length = min_length;
  if (!r) {
    a.code = kDashed;
    return a;
  }
  a.number = *r;
  a.text = Format(fmt, *r);
  return a;
}

ValueAnswer Invalid() {
  ValueAnswer a;
  a.code = kBadIdentifier;
  return a;
}

ValueAnswer TextAnswer(double number, std::string text, std::size_t min_length) {
  ValueAnswer a;
  a.number = number;
  a.text = std::move(text);
  a.min_length = min_length;
  return a;
}

// Raw inputs of the derived values (F, %, mph, inHg).
Reading RawTemperature(unsigned index, const CurrentStore& s) {
  const Units raw;
  if (index == 0) return TenthsFahrenheit(s.outside_temp, raw);
  if (index == 1) return TenthsFahrenheit(s.inside_temp, raw);
  if (IsExtraIndex(index)) return ByteTemperature(s.extra_temp[index - 2], raw);
  if (IsSoilIndex(index)) return ByteTemperature(s.soil_temp[index - 9], raw);
  if (IsLeafIndex(index)) return ByteTemperature(s.leaf_temp[index - 15], raw);
  return std::nullopt;
}

Reading Humidity(unsigned index, const CurrentStore& s) {
  std::uint8_t raw = 255;
  if (index == 0)
    raw = s.outside_hum;
  else if (index == 1)
    raw = s.inside_hum;
  else if (IsExtraIndex(index))
    raw = s.extra_hum[index - 2];
  if (raw == 255) return std::nullopt;
  return raw;
}

Reading ByteReading(std::uint8_t raw) {
  if (raw == 255) return std::nullopt;
  return raw;
}

Reading Word(std::uint16_t raw) {
  if (raw == 0x8000) return std::nullopt;
  return raw;
}

Reading RawWind(const CurrentStore& s) {
  return WindSpeed(s.wind_speed, Units{});
}
Reading RawPressure(const CurrentStore& s) {
  return Barometer(s.barometer, Units{});
}

const char* RainFormat(const Units& u) {
  return u.rain == 1 ? "%.1f" : "%.2f";
}
const char* PressureFormat(const Units& u) {
  return u.barometer == 0 ? "%.3f" : "%.1f";
}

ValueAnswer PressureAnswer(Reading r, const Units& u) {
  ValueAnswer a = MakeAnswer(r, PressureFormat(u), 16);
  a.dashed_text = "------";
  a.dashed_min_length = 7;
  return a;
}

ValueAnswer DerivedTemperature(unsigned cat, unsigned index, const CurrentStore& s,
                               const QueryContext& ctx) {
  const Reading t = RawTemperature(index, s), rh = Humidity(index, s), v = RawWind(s);
  Reading f;
  switch (cat) {
    case category::kDewPoint:
      f = DewPointF(t, rh);
      break;
    case category::kWindChill:
      f = WindChillF(t, v);
      break;
    case category::kHeatIndex:
      f = HeatIndexF(t, rh);
      break;
    default:
      f = ThswIndexF(t, rh, v);
      break;
  }
  return MakeAnswer(TemperatureFromFahrenheit(f, ctx.units), "%.1f", 7);
}

ValueAnswer TemperatureAnswer(unsigned index, const CurrentStore& s, const Units& u) {
  Reading r;
  if (index == 0)
    r = TenthsFahrenheit(s.outside_temp, u);
  else if (index == 1)
    r = TenthsFahrenheit(s.inside_temp, u);
  else
    r = TemperatureFromFahrenheit(RawTemperature(index, s), u);
  return MakeAnswer(r, "%.1f", 7);
}

std::string BatteryText(const char* title, std::uint8_t mask, bool letters) {
  std::string text = title;
  char entry[16];
  for (int i = 0; i < 8; ++i) {
    const bool low = mask & (1u << i);
    if (letters)
      std::snprintf(entry, sizeof entry, low ? "%c-LOW  " : "%c-ok   ", 'A' + i);
    else
      std::snprintf(entry, sizeof entry, low ? "%d-LOW  " : "%d-ok   ", i + 1);
    text += entry;
  }
  return text;
}

ValueAnswer WindAnswer(Reading r) {
  return MakeAnswer(r, "%.1f", 5);
}

ValueAnswer Measured(Identifier id, const CurrentStore& s, const QueryContext& ctx) {
  const Units& u = ctx.units;
  const unsigned index = id.SensorIndex();
  switch (id.SensorType()) {
    case sensor_type::kTemperature:
      if (id.word != (index << 24) || !IsTemperatureIndex(index)) return Invalid();
      return TemperatureAnswer(index, s, u);
    case sensor_type::kHumidity:
      if (id.word != ((index << 24) | kOrbiskIdOutsideHumidity) || !IsHumidityIndex(index))
        return Invalid();
      return MakeAnswer(Humidity(index, s), "%.0f", 4);
    case sensor_type::kWindSpeed:
      switch (id.word) {
        case kOrbiskIdWindSpeed:
          return WindAnswer(WindSpeed(s.wind_speed, u));
        case kOrbiskIdWind10MinAverage:
          return WindAnswer(WindSpeed(s.wind_avg10, u));
        case kOrbiskIdWind2MinAverage:
          return WindAnswer(Word(s.wind2_min_avg));
        case kOrbiskIdWindGust10Min:
          return WindAnswer(Word(s.gust10));
      }
      return Invalid();
    case sensor_type::kWindDirection: {
      const Reading dir = Word(s.wind_dir);
      if (id.word == kOrbiskIdWindDirection) return MakeAnswer(dir, "%.0f", 4);
      if (id.word != kOrbiskIdWindSector) return Invalid();
      if (!dir) return MakeAnswer(dir, "%s", 4);
      const int sector = static_cast<int>(std::floor((*dir + 11.25) / 22.5)) % 16;
      return TextAnswer(sector, kSectors[sector], 4);
    }
    case sensor_type::kBarometer:
      switch (id.word) {
        case kOrbiskIdBarometer:
          return PressureAnswer(Barometer(s.barometer, u), u);
        case kOrbiskIdAbsolutePressure:
          return PressureAnswer(std::nullopt, u);
        case kOrbiskIdAltimeter:
          return PressureAnswer(Word(s.altimeter), u);
        case kOrbiskIdBarTrend: {
          static constexpr const char* kTrend[5] = {"Falling Rapidly", "Falling", "Steady",
                                                    "Rising", "Rising Rapidly"};
          ValueAnswer a = PressureAnswer(std::nullopt, u);
          if (s.bar_trend == static_cast<std::int16_t>(0x8000)) return a;
          const int t = s.bar_trend;
          const int slot = t == -60 ? 0 : t == -20 ? 1 : t == 0 ? 2 : t == 20 ? 3 : 4;
          a.code = kOk;
          a.number = t;
          a.text = kTrend[slot];
          return a;
        }
      }
      return Invalid();
    case sensor_type::kRain: {
      std::uint16_t clicks;
      switch (id.word) {
        case kOrbiskIdDayRain:
          clicks = s.day_rain;
          break;
        case kOrbiskIdStormRain:
          clicks = s.storm_rain;
          break;
        case kOrbiskIdMonthRain:
          clicks = s.month_rain;
          break;
        case kOrbiskIdYearRain:
          clicks = s.year_rain;
          break;
        case kOrbiskIdLastHourRain:
          clicks = s.last_hour_rain;
          break;
        case kOrbiskIdLast24HourRain:
          clicks = s.last24_rain;
          break;
        default:
          return Invalid();
      }
      const bool from_second =
          id.word == kOrbiskIdLastHourRain || id.word == kOrbiskIdLast24HourRain;
      const Reading r =
          from_second && clicks == 0x8000 ? std::nullopt : RainTotal(clicks, ctx.rain.model, u);
      return MakeAnswer(r, RainFormat(u), 6);
    }
    case sensor_type::kRainRate:
      if (id.word != kOrbiskIdRainRate) return Invalid();
      return MakeAnswer(RainRate(s.rain_rate, ctx.rain.model, u), RainFormat(u), 6);
    case sensor_type::kSolar:
      if (id.word != kOrbiskIdSolarRadiation) return Invalid();
      return MakeAnswer(Word(s.solar), "%.0f", 5);
    case sensor_type::kUv: {
      if (id.word != kOrbiskIdUv) return Invalid();
      const Reading uv = ByteReading(s.uv);
      return MakeAnswer(uv ? Reading(*uv / 10.0) : uv, "%.1f", 5);
    }
    case sensor_type::kSoilMoisture:
      if (id.WithoutUnit() != ((index << 24) | (sensor_type::kSoilMoisture << 16)) ||
          !IsSoilIndex(index))
        return Invalid();
      return MakeAnswer(ByteReading(s.soil_moisture[index - 9]), "%.0f", 4);
    case sensor_type::kLeafWetness:
      if (id.WithoutUnit() != ((index << 24) | (sensor_type::kLeafWetness << 16)) ||
          !IsLeafIndex(index))
        return Invalid();
      return MakeAnswer(ByteReading(s.leaf_wetness[index - 15]), "%.0f", 4);
    case sensor_type::kSunTimes: {
      if (id.WithoutUnit() != ((index << 24) | (sensor_type::kSunTimes << 16)) ||
          (index != 2 && index != 3))
        return Invalid();
      const std::int16_t hhmm = index == 2 ? s.sunrise : s.sunset;
      ValueAnswer a = MakeAnswer(std::nullopt, "", 7);
      if (hhmm == static_cast<std::int16_t>(0x8000) || hhmm < 0 || hhmm > 2459) return a;
      // The number is always dashed; the text carries the time.
      a.text = MinuteOfDayText(HhmmToMinutes(hhmm));
      a.dashed_text = a.text;
      return a;
    }
    case sensor_type::kConsole:
      switch (id.word) {
        case kOrbiskIdConsoleBattery: {
          const Reading raw = Word(s.console_battery);
          return MakeAnswer(raw ? Reading(((static_cast<int>(*raw) * 300) >> 9) / 100.0) : raw,
                            "%.2f", 5);
        }
        case kOrbiskIdTransmitterBattery:
          return TextAnswer(s.tx_battery, BatteryText("TX Battery Status: ", s.tx_battery, false),
                            84);
        case kOrbiskIdRepeaterBattery:
          if (!ctx.features.repeater) return MakeAnswer(std::nullopt, "", 90);
          return TextAnswer(s.repeater_battery,
                            BatteryText("Repeater Battery Status: ", s.repeater_battery, true), 90);
        case kOrbiskIdForecastRule:
        case kOrbiskIdForecastIcon: {
          const bool rule = id.word == kOrbiskIdForecastRule;
          const int value = rule ? s.forecast_rule : s.forecast_icon;
          ValueAnswer a =
              TextAnswer(value, rule ? ForecastRuleText(value) : ForecastIconText(value), 1);
          a.truncates = true;
          return a;
        }
      }
      return Invalid();
  }
  return Invalid();
}

ValueAnswer Evapotranspiration(Identifier id, const CurrentStore& s, const Units& u) {
  double inches;
  switch (id.word) {
    case kOrbiskIdDayEt:
      inches = s.day_et / 1000.0;
      break;
    case kOrbiskIdMonthEt:
      inches = s.month_et / 100.0 + s.day_et / 1000.0;
      break;
    case kOrbiskIdYearEt:
      inches = s.year_et / 100.0 + s.day_et / 1000.0;
      break;
    default:
      return Invalid();
  }
  return u.rain == 1 ? MakeAnswer(inches * 25.4, "%.2f", 7) : MakeAnswer(inches, "%.3f", 7);
}

}  // namespace

ValueAnswer QueryCurrent(std::uint32_t word, const CurrentStore& s, const QueryContext& ctx) {
  const Identifier id{word};
  const unsigned index = id.SensorIndex();
  switch (id.category()) {
    case category::kMeasured:
      return Measured(id, s, ctx);
    case category::kDewPoint:
    case category::kWindChill:
    case category::kHeatIndex:
    case category::kThswIndex:
      if (word != ((index << 24) | id.category()) || !IsHumidityIndex(index)) return Invalid();
      return DerivedTemperature(id.category(), index, s, ctx);
    case category::kAirDensity:
      if (word != ((index << 24) | 0x28B) || !IsHumidityIndex(index)) return Invalid();
      return MakeAnswer(AirDensity(RawTemperature(index, s), Humidity(index, s), RawPressure(s)),
                        "%.4f", 6);
    case category::kThTable:
      if (word != ((index << 24) | 0x1CC) || !IsHumidityIndex(index)) return Invalid();
      return MakeAnswer(TemperatureHumidityValue(RawTemperature(index, s), Humidity(index, s)),
                        "%.2f", 5);
    case category::kEvapotranspiration:
      return Evapotranspiration(id, s, ctx.units);
  }
  return Invalid();
}

OrbiskDateTime StormStart(const CurrentStore& s) {
  return {0, 0, s.storm_start & 0xF000, s.storm_start & 0x0F80, (s.storm_start & 0x7F) + 2000};
}

bool SunTime(std::int16_t hhmm, bool sunrise, int day, int month, int year, OrbiskDateTime& out) {
  if (hhmm == static_cast<std::int16_t>(0x8000)) return false;
  const int hour = hhmm / 100;
  out.minute = hhmm % 100;
  out.hour = hour;
  if (sunrise && hour > 17) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int length = month == 2 && leap ? 29 : kDays[(month + 11) % 12];
    if (++day > length) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  out.day = day;
  out.month = month;
  out.year = year;
  return true;
}

}  // namespace orbisk::data
