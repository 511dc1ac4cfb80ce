#include "stationlib/data/hilows.h"

#include <cstdio>

#include "stationlib/data/codes.h"
#include "stationlib/data/identifier.h"

namespace orbisk::data {
namespace {

using namespace hilow_period;

enum class Kind { Tenths, WholeF, ByteTemp, Pressure, Wind, Humidity, Solar, Uv, RainRate, Plain };

// Where one extreme lies in the reply: value offset, and the time offset for
// the daily extremes (-1 when the console keeps none).
struct Field {
  Kind kind;
  int value = -1;
  int time = -1;
};

// Offsets of one sensor's six extremes: day high/low (with times), month
// high/low, year high/low; -1 where the console keeps none.
struct Layout {
  int dayHigh, dayLow, dayHighTime, dayLowTime, monthHigh, monthLow, yearHigh, yearLow;
};

Field pick(Kind kind, const Layout& l, unsigned period) {
  switch (period) {
    case kDayHigh: return {kind, l.dayHigh, l.dayHighTime};
    case kDayLow: return {kind, l.dayLow, l.dayLowTime};
    case kMonthHigh: return {kind, l.monthHigh};
    case kMonthLow: return {kind, l.monthLow};
    case kYearHigh: return {kind, l.yearHigh};
    case kYearLow: return {kind, l.yearLow};
  }
  return {kind};
}

constexpr int kNone = -1;
constexpr Layout kBarometer{2, 0, 14, 12, 6, 4, 10, 8};
constexpr Layout kWind{16, kNone, 17, kNone, 19, kNone, 20, kNone};
constexpr Layout kInsideTemp{21, 23, 25, 27, 31, 29, 35, 33};
constexpr Layout kInsideHum{37, 38, 39, 41, 43, 44, 45, 46};
constexpr Layout kOutsideTemp{49, 47, 53, 51, 55, 57, 59, 61};
constexpr Layout kDewPoint{65, 63, 69, 67, 71, 73, 75, 77};
constexpr Layout kWindChill{kNone, 79, kNone, 81, kNone, 83, kNone, 85};
constexpr Layout kHeatIndex{87, kNone, 89, kNone, 91, kNone, 93, kNone};
constexpr Layout kThsw{95, kNone, 97, kNone, 99, kNone, 101, kNone};
constexpr Layout kSolar{103, kNone, 105, kNone, 107, kNone, 109, kNone};
constexpr Layout kUv{111, kNone, 112, kNone, 114, kNone, 115, kNone};
constexpr Layout kRainRate{116, kNone, 118, kNone, 122, kNone, 124, kNone};

// Sensors kept in blocks: byte values at base + slot, times at base + 2 slot.
Layout blockTemperature(int slot) {
  return {141 + slot, 126 + slot, 186 + 2 * slot, 156 + 2 * slot, 216 + slot, 231 + slot, 246 + slot, 261 + slot};
}
Layout blockHumidity(int slot) {
  return {284 + slot, 276 + slot, 308 + 2 * slot, 292 + 2 * slot, 324 + slot, 332 + slot, 340 + slot, 348 + slot};
}
Layout blockSoilMoisture(int slot) {
  return {356 + slot, 368 + slot, 360 + 2 * slot, 372 + 2 * slot, 380 + slot, 376 + slot, 388 + slot, 384 + slot};
}
Layout blockLeafWetness(int slot) {
  return {392 + slot, 404 + slot, 396 + 2 * slot, 408 + 2 * slot, 420 + slot, 416 + slot, 428 + slot, 424 + slot};
}

bool validPeriod(unsigned p) {
  return p == kDayHigh || p == kDayLow || p == kMonthHigh || p == kMonthLow || p == kYearHigh || p == kYearLow;
}

Field temperatureField(unsigned cat, unsigned index, unsigned period) {
  if (cat != 0) {
    if (index != 0) return {Kind::WholeF};
    switch (cat) {
      case 1: return pick(Kind::WholeF, kDewPoint, period);
      case 2: return pick(Kind::WholeF, kWindChill, period);
      case 3: return pick(Kind::WholeF, kHeatIndex, period);
      case 5: return pick(Kind::WholeF, kThsw, period);
    }
    return {Kind::WholeF};
  }
  if (index == 0) return pick(Kind::Tenths, kOutsideTemp, period);
  if (index == 1) return pick(Kind::Tenths, kInsideTemp, period);
  if (isExtraIndex(index)) return pick(Kind::ByteTemp, blockTemperature(static_cast<int>(index) - 2), period);
  if (isSoilIndex(index)) return pick(Kind::ByteTemp, blockTemperature(static_cast<int>(index) - 2), period);
  if (isLeafIndex(index)) return pick(Kind::ByteTemp, blockTemperature(static_cast<int>(index) - 4), period);
  return {Kind::Tenths};
}

// Resolves an identifier to its field; value -1 when it names none.
Field resolve(std::uint32_t word) {
  const Identifier id{word};
  const unsigned unit = id.unitClass(), cat = id.category(), index = id.sensorIndex(), period = id.period();
  if (id.bit15()) return {Kind::Plain};
  if (word == 0x66060) return {Kind::RainRate, 120};
  if (!validPeriod(period)) return {Kind::Plain};
  if (unit == unit_class::kTemperature) {
    if (id.sensorType() != sensor_type::kTemperature) return {Kind::Plain};
    return temperatureField(cat, index, period);
  }
  if (cat != 0) return {Kind::Plain};
  const auto single = [&](unsigned type, Kind kind, const Layout& l) -> Field {
    if (id.sensorType() != type || index != 0) return {kind};
    return pick(kind, l, period);
  };
  switch (unit) {
    case unit_class::kRainRate: return single(sensor_type::kRainRate, Kind::RainRate, kRainRate);
    case unit_class::kWindSpeed: return single(sensor_type::kWindSpeed, Kind::Wind, kWind);
    case unit_class::kPressure: return single(sensor_type::kBarometer, Kind::Pressure, kBarometer);
    case unit_class::kSolar: return single(sensor_type::kSolar, Kind::Solar, kSolar);
    case unit_class::kUv: return single(sensor_type::kUv, Kind::Uv, kUv);
    case unit_class::kHumidity:
      if (id.sensorType() != sensor_type::kHumidity) return {Kind::Humidity};
      if (index == 1) return pick(Kind::Humidity, kInsideHum, period);
      if (index == 0) return pick(Kind::Humidity, blockHumidity(0), period);
      if (isExtraIndex(index)) return pick(Kind::Humidity, blockHumidity(static_cast<int>(index) - 1), period);
      return {Kind::Humidity};
    case unit_class::kSoilMoisture:
      if (id.sensorType() != sensor_type::kSoilMoisture || !isSoilIndex(index)) return {Kind::Plain};
      return pick(Kind::Plain, blockSoilMoisture(static_cast<int>(index) - 9), period);
    case unit_class::kLeafWetness:
      if (id.sensorType() != sensor_type::kLeafWetness || !isLeafIndex(index)) return {Kind::Plain};
      return pick(Kind::Plain, blockLeafWetness(static_cast<int>(index) - 15), period);
  }
  return {Kind::Plain};
}

bool isWord(Kind k) {
  return k == Kind::Tenths || k == Kind::WholeF || k == Kind::Pressure || k == Kind::Solar || k == Kind::RainRate;
}

std::int16_t word16(const HiLowStore& s, int at) {
  return static_cast<std::int16_t>(s.packet[at] | (s.packet[at + 1] << 8));
}

ValueAnswer answer(Reading r, const char* fmt, std::size_t minLength) {
  ValueAnswer a;
  a.minLength = minLength;
  if (!r) {
    a.code = kDashed;
    return a;
  }
  a.number = *r;
  char text[64];
  std::snprintf(text, sizeof text, fmt, *r);
  a.text = text;
  return a;
}

}  // namespace

ValueAnswer queryHiLow(std::uint32_t id, const HiLowStore& s, const QueryContext& ctx) {
  const Field f = resolve(id);
  if (f.value < 0) {
    ValueAnswer bad;
    bad.code = kBadIdentifier;
    return bad;
  }
  const Units& u = ctx.units;
  if (isWord(f.kind)) {
    const std::int16_t raw = word16(s, f.value);
    const bool dashed = raw == 0x7FFF || raw == static_cast<std::int16_t>(0x8000);
    switch (f.kind) {
      case Kind::Tenths: return answer(tenthsFahrenheit(raw, u), "%.1f", 7);
      case Kind::WholeF:
        return answer(dashed || raw == 255 ? std::nullopt : temperatureFromFahrenheit(raw, u), "%.1f", 7);
      case Kind::Pressure: {
        ValueAnswer a = answer(barometer(static_cast<std::uint16_t>(raw), u), u.barometer == 0 ? "%.3f" : "%.1f", 16);
        a.dashedText = "------";
        a.dashedMinLength = 7;
        return a;
      }
      case Kind::Solar: return answer(dashed ? std::nullopt : Reading(raw), "%.0f", 5);
      default:
        return answer(rainRate(static_cast<std::uint16_t>(raw), ctx.rain.model, u), u.rain == 1 ? "%.1f" : "%.2f", 6);
    }
  }
  const std::uint8_t raw = s.packet[f.value];
  switch (f.kind) {
    case Kind::ByteTemp: return answer(byteTemperature(raw, u), "%.1f", 7);
    case Kind::Wind: return answer(windSpeed(raw, u), "%.1f", 5);
    case Kind::Humidity: return answer(raw == 255 ? std::nullopt : Reading(raw), "%.0f", 4);
    case Kind::Uv: return answer(raw == 255 ? std::nullopt : Reading(raw / 10.0), "%.1f", 5);
    default: return answer(raw == 255 ? std::nullopt : Reading(raw), "%.0f", 4);
  }
}

int hiLowTime(std::uint32_t id, const HiLowStore& s, int& hhmm) {
  const Identifier ident{id};
  if (ident.period() != kDayHigh && ident.period() != kDayLow) return kBadIdentifier;
  const Field f = resolve(id);
  if (f.value < 0 || f.time < 0) return kBadIdentifier;
  const std::int16_t raw = word16(s, f.time);
  if (raw == static_cast<std::int16_t>(0x8000) || raw < 0 || raw > 2400) return kDashed;
  hhmm = raw;
  return kOk;
}

}  // namespace orbisk::data
