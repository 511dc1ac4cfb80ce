#include "stationlib/data/calibration.h"

#include <cmath>

#include "stationlib/data/codes.h"

namespace orbisk::data {
namespace {

// Offsets: inside temperature at 0, outside at 2, the 15 others at 3-17;
// humidity inside 18, outside 19, extra 20-26.
int temperatureOffsetAt(int slot) { return slot == 0 ? 0 : slot + 1; }
int humidityOffsetAt(int slot) { return 18 + slot; }
// Calibrated readings: 16-bit temperatures at 0, 2, 4-33; humidity 34-42.
int temperatureReadingAt(int slot) { return 2 * slot; }
int humidityReadingAt(int slot) { return 34 + slot; }

bool validTemperatureSlot(int slot) { return slot >= 0 && slot <= 16; }
bool validHumiditySlot(int slot) { return slot >= 0 && slot <= 8; }

}  // namespace

int CalibrationMirror::temperatureOffset(int slot) const {
  return static_cast<std::int8_t>(offsets[temperatureOffsetAt(slot)]);
}
int CalibrationMirror::humidityOffset(int slot) const {
  return static_cast<std::int8_t>(offsets[humidityOffsetAt(slot)]);
}
int CalibrationMirror::temperatureReading(int slot) const {
  const int at = temperatureReadingAt(slot);
  return static_cast<std::int16_t>(readings[at] | (readings[at + 1] << 8));
}
int CalibrationMirror::humidityReading(int slot) const { return readings[humidityReadingAt(slot)]; }

CalibrationRecord CalibrationMirror::record(const QueryContext& ctx) const {
  CalibrationRecord r{};
  const auto temp = [&](int slot) {
    const Reading v = tenthsFahrenheit(static_cast<std::int16_t>(temperatureReading(slot)), ctx.units);
    return static_cast<float>(v ? *v : kDashed);
  };
  r.insideTemp = temp(0);
  r.outsideTemp = temp(1);
  r.insideHum = static_cast<std::uint8_t>(humidityReading(0));
  r.outsideHum = static_cast<std::uint8_t>(humidityReading(1));
  r.insideTempOffset = static_cast<float>(temperatureOffset(0) / 10.0);
  r.outsideTempOffset = static_cast<float>(temperatureOffset(1) / 10.0);
  r.insideHumOffset = offsets[humidityOffsetAt(0)];
  r.outsideHumOffset = offsets[humidityOffsetAt(1)];
  return r;
}

int CalibrationMirror::putTemperatureOffset(int slot, double offsetF) {
  if (!validTemperatureSlot(slot) || !std::isfinite(offsetF)) return kFail;
  // Nearest tenth, halves away from zero: a negative offset is not pulled
  // towards zero by the rounding.
  const double scaled = std::round(offsetF * 10.0);
  if (scaled < -128.0 || scaled > 127.0) return kFail;
  setTemperatureOffset(slot, static_cast<int>(scaled));
  return kOk;
}

int CalibrationMirror::putTemperatureValue(int slot, double reading, const QueryContext& ctx) {
  if (!validTemperatureSlot(slot) || !std::isfinite(reading)) return kFail;
  const double f = ctx.units.temperature == 1 ? celsiusToFahrenheit(reading) : reading;
  const long offset = std::lround(f * 10.0 - (temperatureReading(slot) - temperatureOffset(slot)));
  if (offset < -128 || offset > 127) return kFail;
  setTemperatureOffset(slot, static_cast<int>(offset));
  return kOk;
}

// The new offset replaces the old one and the calibrated reading moves by the difference.
void CalibrationMirror::setTemperatureOffset(int slot, int offset) {
  const int reading = temperatureReading(slot) + offset - temperatureOffset(slot);
  offsets[temperatureOffsetAt(slot)] = static_cast<std::uint8_t>(offset);
  const int at = temperatureReadingAt(slot);
  readings[at] = static_cast<std::uint8_t>(reading & 0xFF);
  readings[at + 1] = static_cast<std::uint8_t>((reading >> 8) & 0xFF);
}

int CalibrationMirror::putHumidityOffset(int slot, double value) {
  if (!validHumiditySlot(slot) || !std::isfinite(value) || value < -128.0 || value > 127.0) return kFail;
  const int offset = static_cast<int>(std::lround(value));
  const int reading = humidityReading(slot) + offset - humidityOffset(slot);
  if (reading < 0 || reading > 100) return kFail;
  offsets[humidityOffsetAt(slot)] = static_cast<std::uint8_t>(offset);
  readings[humidityReadingAt(slot)] = static_cast<std::uint8_t>(reading);
  return kOk;
}

int CalibrationMirror::putHumidityValue(int slot, double reading) {
  if (!validHumiditySlot(slot) || !std::isfinite(reading) || reading < 0.0 || reading > 100.0) return kFail;
  const int wanted = static_cast<int>(std::lround(reading));
  return putHumidityOffset(slot, wanted - (humidityReading(slot) - humidityOffset(slot)));
}

}  // namespace orbisk::data
