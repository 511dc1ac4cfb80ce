#include "stationlib/data/calibration.h"

#include <cmath>

#include "stationlib/data/codes.h"

namespace orbisk::data {
namespace {

// Offsets: inside temperature at 0, outside at 2, the 15 others at 3-17;
// humidity inside 18, outside 19, extra 20-26.
int TemperatureOffsetAt(int slot) {
  return slot == 0 ? 0 : slot + 1;
}
int HumidityOffsetAt(int slot) {
  return 18 + slot;
}
// Calibrated readings: 16-bit temperatures at 0, 2, 4-33; humidity 34-42.
int TemperatureReadingAt(int slot) {
  return 2 * slot;
}
int HumidityReadingAt(int slot) {
  return 34 + slot;
}

bool ValidTemperatureSlot(int slot) {
  return slot >= 0 && slot <= 16;
}
bool ValidHumiditySlot(int slot) {
  return slot >= 0 && slot <= 8;
}

}  // namespace

int CalibrationMirror::TemperatureOffset(int slot) const {
  return static_cast<std::int8_t>(offsets[TemperatureOffsetAt(slot)]);
}
int CalibrationMirror::HumidityOffset(int slot) const {
  return static_cast<std::int8_t>(offsets[HumidityOffsetAt(slot)]);
}
int CalibrationMirror::TemperatureReading(int slot) const {
  const int at = TemperatureReadingAt(slot);
  return static_cast<std::int16_t>(readings[at] | (readings[at + 1] << 8));
}
int CalibrationMirror::HumidityReading(int slot) const {
  return readings[HumidityReadingAt(slot)];
}

CalibrationRecord CalibrationMirror::Record(const QueryContext& ctx) const {
  CalibrationRecord r{};
  const auto temp = [&](int slot) {
    const Reading v =
        TenthsFahrenheit(static_cast<std::int16_t>(TemperatureReading(slot)), ctx.units);
    return static_cast<float>(v ? *v : kDashed);
  };
  r.inside_temp = temp(0);
  r.outside_temp = temp(1);
  r.inside_hum = static_cast<std::uint8_t>(HumidityReading(0));
  r.outside_hum = static_cast<std::uint8_t>(HumidityReading(1));
  r.inside_temp_offset = static_cast<float>(TemperatureOffset(0) / 10.0);
  r.outside_temp_offset = static_cast<float>(TemperatureOffset(1) / 10.0);
  r.inside_hum_offset = offsets[HumidityOffsetAt(0)];
  r.outside_hum_offset = offsets[HumidityOffsetAt(1)];
  return r;
}

int CalibrationMirror::PutTemperatureOffset(int slot, double offset_f) {
  if (!ValidTemperatureSlot(slot) || !std::isfinite(offset_f)) return kFail;
  // Nearest tenth, halves away from zero: a negative offset is not pulled
  // towards zero by the rounding.
  const double scaled = std::round(offset_f * 10.0);
  if (scaled < -128.0 || scaled > 127.0) return kFail;
  SetTemperatureOffset(slot, static_cast<int>(scaled));
  return kOk;
}

int CalibrationMirror::PutTemperatureValue(int slot, double reading, const QueryContext& ctx) {
  if (!ValidTemperatureSlot(slot) || !std::isfinite(reading)) return kFail;
  const double f = ctx.units.temperature == 1 ? CelsiusToFahrenheit(reading) : reading;
  const long offset = std::lround(f * 10.0 - (TemperatureReading(slot) - TemperatureOffset(slot)));
  if (offset < -128 || offset > 127) return kFail;
  SetTemperatureOffset(slot, static_cast<int>(offset));
  return kOk;
}

// The new offset replaces the old one and the calibrated reading moves by the difference.
void CalibrationMirror::SetTemperatureOffset(int slot, int offset) {
  const int reading = TemperatureReading(slot) + offset - TemperatureOffset(slot);
  offsets[TemperatureOffsetAt(slot)] = static_cast<std::uint8_t>(offset);
  const int at = TemperatureReadingAt(slot);
  readings[at] = static_cast<std::uint8_t>(reading & 0xFF);
  readings[at + 1] = static_cast<std::uint8_t>((reading >> 8) & 0xFF);
}

int CalibrationMirror::PutHumidityOffset(int slot, double value) {
  if (!ValidHumiditySlot(slot) || !std::isfinite(value) || value < -128.0 || value > 127.0)
    return kFail;
  const int offset = static_cast<int>(std::lround(value));
  const int reading = HumidityReading(slot) + offset - HumidityOffset(slot);
  if (reading < 0 || reading > 100) return kFail;
  offsets[HumidityOffsetAt(slot)] = static_cast<std::uint8_t>(offset);
  readings[HumidityReadingAt(slot)] = static_cast<std::uint8_t>(reading);
  return kOk;
}

int CalibrationMirror::PutHumidityValue(int slot, double reading) {
  if (!ValidHumiditySlot(slot) || !std::isfinite(reading) || reading < 0.0 || reading > 100.0)
    return kFail;
  const int wanted = static_cast<int>(std::lround(reading));
  return PutHumidityOffset(slot, wanted - (HumidityReading(slot) - HumidityOffset(slot)));
}

}  // namespace orbisk::data
