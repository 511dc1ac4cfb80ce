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

constexpr const char* kSectors[16] = {"N",  "NNE", "NE", "ENE", "E",  "ESE", "SE", "SSE",
                                      "S",  "SSW", "SW", "WSW", "W",  "WNW", "NW", "NNW"};

std::string format(const char* fmt, double v) {
  char text[64];
  std::snprintf(text, sizeof text, fmt, v);
  return text;
}

// Builds the answer for a numeric reading with its text format.
ValueAnswer reading(Reading r, const char* fmt, std::size_t minLength) {
  ValueAnswer a;
  a.minLength = minLength;
  if (!r) {
    a.code = kDashed;
    return a;
  }
  a.number = *r;
  a.text = format(fmt, *r);
  return a;
}

ValueAnswer invalid() {
  ValueAnswer a;
  a.code = kBadIdentifier;
  return a;
}

ValueAnswer textAnswer(double number, std::string text, std::size_t minLength) {
  ValueAnswer a;
  a.number = number;
  a.text = std::move(text);
  a.minLength = minLength;
  return a;
}

// Raw inputs of the derived values (F, %, mph, inHg).
Reading rawTemperature(unsigned index, const CurrentStore& s) {
  const Units raw;
  if (index == 0) return tenthsFahrenheit(s.outsideTemp, raw);
  if (index == 1) return tenthsFahrenheit(s.insideTemp, raw);
  if (isExtraIndex(index)) return byteTemperature(s.extraTemp[index - 2], raw);
  if (isSoilIndex(index)) return byteTemperature(s.soilTemp[index - 9], raw);
  if (isLeafIndex(index)) return byteTemperature(s.leafTemp[index - 15], raw);
  return std::nullopt;
}

Reading humidity(unsigned index, const CurrentStore& s) {
  std::uint8_t raw = 255;
  if (index == 0) raw = s.outsideHum;
  else if (index == 1) raw = s.insideHum;
  else if (isExtraIndex(index)) raw = s.extraHum[index - 2];
  if (raw == 255) return std::nullopt;
  return raw;
}

Reading byteReading(std::uint8_t raw) {
  if (raw == 255) return std::nullopt;
  return raw;
}

Reading word(std::uint16_t raw) {
  if (raw == 0x8000) return std::nullopt;
  return raw;
}

Reading rawWind(const CurrentStore& s) { return windSpeed(s.windSpeed, Units{}); }
Reading rawPressure(const CurrentStore& s) { return barometer(s.barometer, Units{}); }

const char* rainFormat(const Units& u) { return u.rain == 1 ? "%.1f" : "%.2f"; }
const char* pressureFormat(const Units& u) { return u.barometer == 0 ? "%.3f" : "%.1f"; }

ValueAnswer pressureAnswer(Reading r, const Units& u) {
  ValueAnswer a = reading(r, pressureFormat(u), 16);
  a.dashedText = "------";
  a.dashedMinLength = 7;
  return a;
}

ValueAnswer derivedTemperature(unsigned cat, unsigned index, const CurrentStore& s, const QueryContext& ctx) {
  const Reading t = rawTemperature(index, s), rh = humidity(index, s), v = rawWind(s);
  Reading f;
  switch (cat) {
    case category::kDewPoint: f = dewPointF(t, rh); break;
    case category::kWindChill: f = windChillF(t, v); break;
    case category::kHeatIndex: f = heatIndexF(t, rh); break;
    default: f = thswIndexF(t, rh, v); break;
  }
  return reading(temperatureFromFahrenheit(f, ctx.units), "%.1f", 7);
}

ValueAnswer temperatureAnswer(unsigned index, const CurrentStore& s, const Units& u) {
  Reading r;
  if (index == 0) r = tenthsFahrenheit(s.outsideTemp, u);
  else if (index == 1) r = tenthsFahrenheit(s.insideTemp, u);
  else r = temperatureFromFahrenheit(rawTemperature(index, s), u);
  return reading(r, "%.1f", 7);
}

std::string batteryText(const char* title, std::uint8_t mask, bool letters) {
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

ValueAnswer windAnswer(Reading r) { return reading(r, "%.1f", 5); }

ValueAnswer measured(Identifier id, const CurrentStore& s, const QueryContext& ctx) {
  const Units& u = ctx.units;
  const unsigned index = id.sensorIndex();
  switch (id.sensorType()) {
    case sensor_type::kTemperature:
      if (id.word != (index << 24) || !isTemperatureIndex(index)) return invalid();
      return temperatureAnswer(index, s, u);
    case sensor_type::kHumidity:
      if (id.word != ((index << 24) | 0x101C0) || !isHumidityIndex(index)) return invalid();
      return reading(humidity(index, s), "%.0f", 4);
    case sensor_type::kWindSpeed:
      switch (id.word) {
        case 0x20080: return windAnswer(windSpeed(s.windSpeed, u));
        case 0x1020080: return windAnswer(windSpeed(s.windAvg10, u));
        case 0x19020080: return windAnswer(word(s.wind2MinAvg));
        case 0x1A020080: return windAnswer(word(s.gust10));
      }
      return invalid();
    case sensor_type::kWindDirection: {
      const Reading dir = word(s.windDir);
      if (id.word == 0x300A0) return reading(dir, "%.0f", 4);
      if (id.word != 0x300C0) return invalid();
      if (!dir) return reading(dir, "%s", 4);
      const int sector = static_cast<int>(std::floor((*dir + 11.25) / 22.5)) % 16;
      return textAnswer(sector, kSectors[sector], 4);
    }
    case sensor_type::kBarometer:
      switch (id.word) {
        case 0x400E0: return pressureAnswer(barometer(s.barometer, u), u);
        case 0x10400E0: return pressureAnswer(std::nullopt, u);
        case 0x20400E0: return pressureAnswer(word(s.altimeter), u);
        case 0x402A0: {
          static constexpr const char* kTrend[5] = {"Falling Rapidly", "Falling", "Steady", "Rising",
                                                    "Rising Rapidly"};
          ValueAnswer a = pressureAnswer(std::nullopt, u);
          if (s.barTrend == static_cast<std::int16_t>(0x8000)) return a;
          const int t = s.barTrend;
          const int slot = t == -60 ? 0 : t == -20 ? 1 : t == 0 ? 2 : t == 20 ? 3 : 4;
          a.code = kOk;
          a.number = t;
          a.text = kTrend[slot];
          return a;
        }
      }
      return invalid();
    case sensor_type::kRain: {
      std::uint16_t clicks;
      switch (id.word) {
        case 0x52440: clicks = s.dayRain; break;
        case 0x55440: clicks = s.stormRain; break;
        case 0x55840: clicks = s.monthRain; break;
        case 0x55C40: clicks = s.yearRain; break;
        case 0x56C40: clicks = s.lastHourRain; break;
        case 0x57040: clicks = s.last24Rain; break;
        default: return invalid();
      }
      const bool fromSecond = id.word == 0x56C40 || id.word == 0x57040;
      const Reading r = fromSecond && clicks == 0x8000 ? std::nullopt : rainTotal(clicks, ctx.rain.model, u);
      return reading(r, rainFormat(u), 6);
    }
    case sensor_type::kRainRate:
      if (id.word != 0x60060) return invalid();
      return reading(rainRate(s.rainRate, ctx.rain.model, u), rainFormat(u), 6);
    case sensor_type::kSolar:
      if (id.word != 0x70140) return invalid();
      return reading(word(s.solar), "%.0f", 5);
    case sensor_type::kUv: {
      if (id.word != 0x80180) return invalid();
      const Reading uv = byteReading(s.uv);
      return reading(uv ? Reading(*uv / 10.0) : uv, "%.1f", 5);
    }
    case sensor_type::kSoilMoisture:
      if (id.withoutUnit() != ((index << 24) | 0x90000) || !isSoilIndex(index)) return invalid();
      return reading(byteReading(s.soilMoisture[index - 9]), "%.0f", 4);
    case sensor_type::kLeafWetness:
      if (id.withoutUnit() != ((index << 24) | 0xA0000) || !isLeafIndex(index)) return invalid();
      return reading(byteReading(s.leafWetness[index - 15]), "%.0f", 4);
    case sensor_type::kSunTimes: {
      if (id.withoutUnit() != ((index << 24) | 0xB0000) || (index != 2 && index != 3)) return invalid();
      const std::int16_t hhmm = index == 2 ? s.sunrise : s.sunset;
      ValueAnswer a = reading(std::nullopt, "", 7);
      if (hhmm == static_cast<std::int16_t>(0x8000) || hhmm < 0 || hhmm > 2459) return a;
      // The number is always dashed; the text carries the time.
      a.text = minuteOfDayText(hhmmToMinutes(hhmm));
      a.dashedText = a.text;
      return a;
    }
    case sensor_type::kConsole:
      switch (id.word) {
        case 0x90C0220: {
          const Reading raw = word(s.consoleBattery);
          return reading(raw ? Reading(((static_cast<int>(*raw) * 300) >> 9) / 100.0) : raw, "%.2f", 5);
        }
        case 0xA0C0220: return textAnswer(s.txBattery, batteryText("TX Battery Status: ", s.txBattery, false), 84);
        case 0xB0C0220:
          if (!ctx.features.repeater) return reading(std::nullopt, "", 90);
          return textAnswer(s.repeaterBattery,
                            batteryText("Repeater Battery Status: ", s.repeaterBattery, true), 90);
        case 0xC0C0220:
        case 0xD0C0220: {
          const bool rule = id.word == 0xC0C0220;
          const int value = rule ? s.forecastRule : s.forecastIcon;
          ValueAnswer a = textAnswer(value, rule ? forecastRuleText(value) : forecastIconText(value), 1);
          a.truncates = true;
          return a;
        }
      }
      return invalid();
  }
  return invalid();
}

ValueAnswer evapotranspiration(Identifier id, const CurrentStore& s, const Units& u) {
  double inches;
  switch (id.word) {
    case 0x244D: inches = s.dayEt / 1000.0; break;
    case 0x584D: inches = s.monthEt / 100.0 + s.dayEt / 1000.0; break;
    case 0x5C4D: inches = s.yearEt / 100.0 + s.dayEt / 1000.0; break;
    default: return invalid();
  }
  return u.rain == 1 ? reading(inches * 25.4, "%.2f", 7) : reading(inches, "%.3f", 7);
}

}  // namespace

ValueAnswer queryCurrent(std::uint32_t word, const CurrentStore& s, const QueryContext& ctx) {
  const Identifier id{word};
  const unsigned index = id.sensorIndex();
  switch (id.category()) {
    case category::kMeasured:
      return measured(id, s, ctx);
    case category::kDewPoint:
    case category::kWindChill:
    case category::kHeatIndex:
    case category::kThswIndex:
      if (word != ((index << 24) | id.category()) || !isHumidityIndex(index)) return invalid();
      return derivedTemperature(id.category(), index, s, ctx);
    case category::kAirDensity:
      if (word != ((index << 24) | 0x28B) || !isHumidityIndex(index)) return invalid();
      return reading(airDensity(rawTemperature(index, s), humidity(index, s), rawPressure(s)), "%.4f", 6);
    case category::kThTable:
      if (word != ((index << 24) | 0x1CC) || !isHumidityIndex(index)) return invalid();
      return reading(temperatureHumidityValue(rawTemperature(index, s), humidity(index, s)), "%.2f", 5);
    case category::kEvapotranspiration:
      return evapotranspiration(id, s, ctx.units);
  }
  return invalid();
}

DateTimeRecord stormStart(const CurrentStore& s) {
  return {0, 0, s.stormStart & 0xF000, s.stormStart & 0x0F80, (s.stormStart & 0x7F) + 2000};
}

bool sunTime(std::int16_t hhmm, bool sunrise, int day, int month, int year, DateTimeRecord& out) {
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
