#include "stationlib/data/hilows.h"

#include <cstdio>

#include "stationlib/data/codes.h"
#include "stationlib/data/identifier.h"

namespace orbisk::data {
namespace {

using namespace hilow_period;

enum class Kind {
  kTenths,
  kWholeF,
  kByteTemp,
  kPressure,
  kWind,
  kHumidity,
  kSolar,
  kUv,
  kRainRate,
  kPlain
};

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
  int day_high, day_low, day_high_time, day_low_time, month_high, month_low, year_high, year_low;
};

Field Pick(Kind kind, const Layout& l, unsigned period) {
  switch (period) {
    case kDayHigh:
      return {kind, l.day_high, l.day_high_time};
    case kDayLow:
      return {kind, l.day_low, l.day_low_time};
    case kMonthHigh:
      return {kind, l.month_high};
    case kMonthLow:
      return {kind, l.month_low};
    case kYearHigh:
      return {kind, l.year_high};
    case kYearLow:
      return {kind, l.year_low};
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
Layout BlockTemperature(int slot) {
  return {141 + slot, 126 + slot, 186 + 2 * slot, 156 + 2 * slot,
          216 + slot, 231 + slot, 246 + slot,     261 + slot};
}
Layout BlockHumidity(int slot) {
  return {284 + slot, 276 + slot, 308 + 2 * slot, 292 + 2 * slot,
          324 + slot, 332 + slot, 340 + slot,     348 + slot};
}
Layout BlockSoilMoisture(int slot) {
  return {356 + slot, 368 + slot, 360 + 2 * slot, 372 + 2 * slot,
          380 + slot, 376 + slot, 388 + slot,     384 + slot};
}
Layout BlockLeafWetness(int slot) {
  return {392 + slot, 404 + slot, 396 + 2 * slot, 408 + 2 * slot,
          420 + slot, 416 + slot, 428 + slot,     424 + slot};
}

bool ValidPeriod(unsigned p) {
  return p == kDayHigh || p == kDayLow || p == kMonthHigh || p == kMonthLow || p == kYearHigh ||
         p == kYearLow;
}

Field TemperatureField(unsigned cat, unsigned index, unsigned period) {
  if (cat != 0) {
    if (index != 0) return {Kind::kWholeF};
    switch (cat) {
      case 1:
        return Pick(Kind::kWholeF, kDewPoint, period);
      case 2:
        return Pick(Kind::kWholeF, kWindChill, period);
      case 3:
        return Pick(Kind::kWholeF, kHeatIndex, period);
      case 5:
        return Pick(Kind::kWholeF, kThsw, period);
    }
    return {Kind::kWholeF};
  }
  if (index == 0) return Pick(Kind::kTenths, kOutsideTemp, period);
  if (index == 1) return Pick(Kind::kTenths, kInsideTemp, period);
  if (IsExtraIndex(index))
    return Pick(Kind::kByteTemp, BlockTemperature(static_cast<int>(index) - 2), period);
  if (IsSoilIndex(index))
    return Pick(Kind::kByteTemp, BlockTemperature(static_cast<int>(index) - 2), period);
  if (IsLeafIndex(index))
    return Pick(Kind::kByteTemp, BlockTemperature(static_cast<int>(index) - 4), period);
  return {Kind::kTenths};
}

// Resolves an identifier to its field; value -1 when it names none.
Field Resolve(std::uint32_t word) {
  const Identifier id{word};
  const unsigned unit = id.UnitClass(), cat = id.category(), index = id.SensorIndex(),
                 period = id.period();
  if (id.bit15()) return {Kind::kPlain};
  if (word == (kOrbiskIdRainRate | kOrbiskPeriodHourHigh)) return {Kind::kRainRate, 120};
  if (!ValidPeriod(period)) return {Kind::kPlain};
  if (unit == unit_class::kTemperature) {
    if (id.SensorType() != sensor_type::kTemperature) return {Kind::kPlain};
    return TemperatureField(cat, index, period);
  }
  if (cat != 0) return {Kind::kPlain};
  const auto single = [&](unsigned type, Kind kind, const Layout& l) -> Field {
    if (id.SensorType() != type || index != 0) return {kind};
    return Pick(kind, l, period);
  };
  switch (unit) {
    case unit_class::kRainRate:
      return single(sensor_type::kRainRate, Kind::kRainRate, kRainRate);
    case unit_class::kWindSpeed:
      return single(sensor_type::kWindSpeed, Kind::kWind, kWind);
    case unit_class::kPressure:
      return single(sensor_type::kBarometer, Kind::kPressure, kBarometer);
    case unit_class::kSolar:
      return single(sensor_type::kSolar, Kind::kSolar, kSolar);
    case unit_class::kUv:
      return single(sensor_type::kUv, Kind::kUv, kUv);
    case unit_class::kHumidity:
      if (id.SensorType() != sensor_type::kHumidity) return {Kind::kHumidity};
      if (index == 1) return Pick(Kind::kHumidity, kInsideHum, period);
      if (index == 0) return Pick(Kind::kHumidity, BlockHumidity(0), period);
      if (IsExtraIndex(index))
        return Pick(Kind::kHumidity, BlockHumidity(static_cast<int>(index) - 1), period);
      return {Kind::kHumidity};
    case unit_class::kSoilMoisture:
      if (id.SensorType() != sensor_type::kSoilMoisture || !IsSoilIndex(index))
        return {Kind::kPlain};
      return Pick(Kind::kPlain, BlockSoilMoisture(static_cast<int>(index) - 9), period);
    case unit_class::kLeafWetness:
      if (id.SensorType() != sensor_type::kLeafWetness || !IsLeafIndex(index))
        return {Kind::kPlain};
      return Pick(Kind::kPlain, BlockLeafWetness(static_cast<int>(index) - 15), period);
  }
  return {Kind::kPlain};
}

bool IsWord(Kind k) {
  return k == Kind::kTenths || k == Kind::kWholeF || k == Kind::kPressure || k == Kind::kSolar ||
         k == Kind::kRainRate;
}

std::int16_t Word16(const HiLowStore& s, int at) {
  return static_cast<std::int16_t>(s.packet[at] | (s.packet[at + 1] << 8));
}

ValueAnswer MakeAnswer(Reading r, const char* fmt, std::size_t min_length) {
  ValueAnswer a;
  a.min_length = min_length;
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

ValueAnswer QueryHiLow(std::uint32_t id, const HiLowStore& s, const QueryContext& ctx) {
  const Field f = Resolve(id);
  if (f.value < 0) {
    ValueAnswer bad;
    bad.code = kBadIdentifier;
    return bad;
  }
  const Units& u = ctx.units;
  if (IsWord(f.kind)) {
    const std::int16_t raw = Word16(s, f.value);
    const bool dashed = raw == 0x7FFF || raw == static_cast<std::int16_t>(0x8000);
    switch (f.kind) {
      case Kind::kTenths:
        return MakeAnswer(TenthsFahrenheit(raw, u), "%.1f", 7);
      case Kind::kWholeF:
        return MakeAnswer(dashed || raw == 255 ? std::nullopt : TemperatureFromFahrenheit(raw, u),
                          "%.1f", 7);
      case Kind::kPressure: {
        ValueAnswer a = MakeAnswer(Barometer(static_cast<std::uint16_t>(raw), u),
                                   u.barometer == 0 ? "%.3f" : "%.1f", 16);
        a.dashed_text = "------";
        a.dashed_min_length = 7;
        return a;
      }
      case Kind::kSolar:
        return MakeAnswer(dashed ? std::nullopt : Reading(raw), "%.0f", 5);
      default:
        return MakeAnswer(RainRate(static_cast<std::uint16_t>(raw), ctx.rain.model, u),
                          u.rain == 1 ? "%.1f" : "%.2f", 6);
    }
  }
  const std::uint8_t raw = s.packet[f.value];
  switch (f.kind) {
    case Kind::kByteTemp:
      return MakeAnswer(ByteTemperature(raw, u), "%.1f", 7);
    case Kind::kWind:
      return MakeAnswer(WindSpeed(raw, u), "%.1f", 5);
    case Kind::kHumidity:
      return MakeAnswer(raw == 255 ? std::nullopt : Reading(raw), "%.0f", 4);
    case Kind::kUv:
      return MakeAnswer(raw == 255 ? std::nullopt : Reading(raw / 10.0), "%.1f", 5);
    default:
      return MakeAnswer(raw == 255 ? std::nullopt : Reading(raw), "%.0f", 4);
  }
}

int HiLowTime(std::uint32_t id, const HiLowStore& s, int& hhmm) {
  const Identifier ident{id};
  if (ident.period() != kDayHigh && ident.period() != kDayLow) return kBadIdentifier;
  const Field f = Resolve(id);
  if (f.value < 0 || f.time < 0) return kBadIdentifier;
  const std::int16_t raw = Word16(s, f.time);
  if (raw == static_cast<std::int16_t>(0x8000) || raw < 0 || raw > 2400) return kDashed;
  hhmm = raw;
  return kOk;
}

}  // namespace orbisk::data
