#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "stationlib/data/context.h"

namespace orbisk::data {

inline constexpr std::size_t kCalibrationOffsetsSize = 27;  // at address 50
inline constexpr std::size_t kCalibratedReadingsSize = 43;  // "CALED" reply

// Record of the calibration load export.
struct CalibrationRecord {
  float insideTemp;
  float outsideTemp;
  std::uint8_t insideHum;
  std::uint8_t outsideHum;
  float insideTempOffset;   // F
  float outsideTempOffset;  // F
  std::uint8_t insideHumOffset;
  std::uint8_t outsideHumOffset;
};

// Temperature slots: 0 inside, 1 outside, 2-16 the extra, soil and leaf
// sensors (extra sensor slot n of a transmitter is slot n + 1).
// Humidity slots: 0 inside, 1 outside, 2-8 extra 1-7.
struct CalibrationMirror {
  std::array<std::uint8_t, kCalibrationOffsetsSize> offsets{};
  std::array<std::uint8_t, kCalibratedReadingsSize> readings{};

  CalibrationRecord record(const QueryContext& ctx) const;
  // Offset puts (F tenths x 10 / %): kOk, or kFail when out of range.
  int putTemperatureOffset(int slot, double offsetF);
  // Value puts: the wanted reading in the caller's unit.
  int putTemperatureValue(int slot, double reading, const QueryContext& ctx);
  int putHumidityOffset(int slot, double offset);
  int putHumidityValue(int slot, double reading);

  int temperatureOffset(int slot) const;
  int temperatureReading(int slot) const;
  int humidityOffset(int slot) const;
  int humidityReading(int slot) const;

 private:
  void setTemperatureOffset(int slot, int offset);
};

}  // namespace orbisk::data
