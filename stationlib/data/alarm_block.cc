#include "stationlib/data/alarm_block.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "stationlib/data/codes.h"

namespace orbisk::data {
namespace {

bool IsWide(AlarmEncoding e) {
  return e == AlarmEncoding::kSolar || e == AlarmEncoding::kRain;
}

// Prints with the format and reads back, as the console software shows it.
double Printed(const char* fmt, double v) {
  char text[64];
  std::snprintf(text, sizeof text, fmt, v);
  return std::strtod(text, nullptr);
}

long Nearest(double v) {
  return std::lround(v);
}  // halves away from zero

// Inches per rain click of the library's collector, or mm when asked.
double ClickSize(const QueryContext& ctx) {
  return ctx.units.rain == 1 ? ctx.rain.ClickInches() * 25.4 : ctx.rain.ClickInches();
}

}  // namespace

bool SensorAlarmField(SensorAlarm family, int n, bool high, AlarmField& out) {
  switch (family) {
    case SensorAlarm::kExtraTemp:
      if (n < 2 || n > 8) return false;
      out = {static_cast<unsigned>((high ? 25 : 10) + n - 2), AlarmEncoding::kTemperature120};
      return true;
    case SensorAlarm::kSoilTemp:
      if (n < 1 || n > 4) return false;
      out = {static_cast<unsigned>((high ? 25 : 10) + 7 + n - 1), AlarmEncoding::kTemperature120};
      return true;
    case SensorAlarm::kLeafTemp:
      if (n < 1 || n > 2) return false;
      out = {static_cast<unsigned>((high ? 25 : 10) + 11 + n - 1), AlarmEncoding::kTemperature120};
      return true;
    case SensorAlarm::kExtraHum:
      if (n < 2 || n > 8) return false;
      out = {static_cast<unsigned>((high ? 50 : 42) + n - 1),
             high ? AlarmEncoding::kPercentOrZero : AlarmEncoding::kPercent};
      return true;
    case SensorAlarm::kSoilMoisture:
      if (n < 1 || n > 4) return false;
      out = {static_cast<unsigned>((high ? 71 : 67) + n - 1), AlarmEncoding::kPlain};
      return true;
    case SensorAlarm::kLeafWet:
      if (n < 1 || n > 2) return false;
      out = {static_cast<unsigned>((high ? 79 : 75) + n - 1), AlarmEncoding::kPlain};
      return true;
  }
  return false;
}

AlarmBlock AlarmBlock::none() {
  AlarmBlock b;
  b.bytes.fill(255);
  b.bytes[0] = b.bytes[1] = 0;
  b.bytes[2] = b.bytes[3] = 0xFF;
  b.bytes[4] = b.bytes[5] = 0;
  b.bytes[83] = b.bytes[84] = 0;
  return b;
}

bool AlarmBlock::IsNone(const AlarmField& f) const {
  if (IsWide(f.encoding)) {
    const unsigned v = bytes[f.offset] | (bytes[f.offset + 1] << 8);
    return f.encoding == AlarmEncoding::kSolar ? v == 0 || v == 0x7FFF : v == 0xFFFF || v == 0x7FFF;
  }
  const std::uint8_t b = bytes[f.offset];
  switch (f.encoding) {
    case AlarmEncoding::kBarometer:
      return b == 0;
    case AlarmEncoding::kPercentOrZero:
      return b == 0 || b == 255;
    default:
      return b == 255;
  }
}

bool AlarmBlock::Get(const AlarmField& f, const QueryContext& ctx, double& value,
                     bool exact) const {
  if (IsNone(f)) return false;
  const Units& u = ctx.units;
  const int b = bytes[f.offset];
  switch (f.encoding) {
    case AlarmEncoding::kBarometer:
      value = u.barometer == 0   ? Printed("%.2f", b / 1000.0)
              : u.barometer == 1 ? Printed("%.1f", b * 0.0254)
                                 : Printed("%.1f", b * 0.033864);
      return true;
    case AlarmEncoding::kTemperature90:
    case AlarmEncoding::kTemperature120: {
      const int base = f.encoding == AlarmEncoding::kTemperature90 ? 90 : 120;
      value = u.temperature == 1 ? Printed("%.1f", (b - base - 32) * 5.0 / 9.0) : b - base;
      return true;
    }
    case AlarmEncoding::kWind:
      value = exact ? WindFromMph(b, u) : std::trunc(WindFromMph(b, u));
      return true;
    case AlarmEncoding::kTenths:
      value = b / 10.0;
      return true;
    case AlarmEncoding::kSolar:
      value = bytes[f.offset] | (bytes[f.offset + 1] << 8);
      return true;
    case AlarmEncoding::kRain: {
      const int clicks = bytes[f.offset] | (bytes[f.offset + 1] << 8);
      value = Printed(u.rain == 1 ? "%.1f" : "%.2f", clicks * ClickSize(ctx));
      return true;
    }
    default:
      value = b;
      return true;
  }
}

void AlarmBlock::Clear(const AlarmField& f) {
  const AlarmBlock off = none();
  bytes[f.offset] = off.bytes[f.offset];
  if (IsWide(f.encoding)) bytes[f.offset + 1] = off.bytes[f.offset + 1];
}

int AlarmBlock::Put(const AlarmField& f, double value, const QueryContext& ctx) {
  const Units& u = ctx.units;
  long raw = 0;
  switch (f.encoding) {
    case AlarmEncoding::kBarometer:
      raw = Nearest(u.barometer == 0   ? value * 1000.0
                    : u.barometer == 1 ? value / 0.0254
                                       : value / 0.033864);
      break;
    case AlarmEncoding::kTemperature90:
    case AlarmEncoding::kTemperature120:
      raw = Nearest(u.temperature == 1 ? CelsiusToFahrenheit(value) : value) +
            (f.encoding == AlarmEncoding::kTemperature90 ? 90 : 120);
      break;
    case AlarmEncoding::kWind:
      raw = Nearest(u.wind == 1   ? value * 1.15
                    : u.wind == 2 ? value / 1.609344
                    : u.wind == 3 ? value / 0.44704
                                  : value);
      break;
    case AlarmEncoding::kTenths:
      raw = Nearest(value * 10.0);
      break;
    case AlarmEncoding::kRain:
      raw = Nearest(value / ClickSize(ctx));
      break;
    default:
      raw = Nearest(value);
      break;
  }
  const long limit = IsWide(f.encoding) ? 0x7FFE : 254;
  if (!std::isfinite(value) || raw < 0 || raw > limit) {
    Clear(f);
    return kBadArgument;
  }
  bytes[f.offset] = static_cast<std::uint8_t>(raw & 0xFF);
  if (IsWide(f.encoding)) bytes[f.offset + 1] = static_cast<std::uint8_t>(raw >> 8);
  return kOk;
}

int AlarmBlock::TimeAlarm() const {
  const unsigned t = bytes[2] | (bytes[3] << 8);
  if (t == 0xFFFF || t / 100 > 23 || t % 100 > 59) return -1;
  return static_cast<int>(t);
}

void AlarmBlock::ClearTimeAlarm() {
  bytes[2] = bytes[3] = 0xFF;
  bytes[4] = bytes[5] = 0;
}

int AlarmBlock::PutTimeAlarm(const char* text) {
  int hour = -1, minute = -1;
  char sep = 0, extra = 0;
  if (!text || std::sscanf(text, "%d%c%d%c", &hour, &sep, &minute, &extra) != 3 ||
      (sep != ':' && sep != '.') || hour < 0 || hour > 23 || minute < 0 || minute > 59) {
    ClearTimeAlarm();
    return kBadArgument;
  }
  const unsigned t = static_cast<unsigned>(hour * 100 + minute);
  const unsigned complement = ~t & 0xFFFF;
  bytes[2] = t & 0xFF;
  bytes[3] = static_cast<std::uint8_t>(t >> 8);
  bytes[4] = complement & 0xFF;
  bytes[5] = static_cast<std::uint8_t>(complement >> 8);
  return kOk;
}

}  // namespace orbisk::data
