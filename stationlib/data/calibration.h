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
  float inside_temp;
  float outside_temp;
  std::uint8_t inside_hum;
  std::uint8_t outside_hum;
  float inside_temp_offset;   // F
  float outside_temp_offset;  // F
  std::uint8_t inside_hum_offset;
  std::uint8_t outside_hum_offset;
};

// Temperature slots: 0 inside, 1 outside, 2-16 the extra, soil and leaf
// sensors (extra sensor slot n of a transmitter is slot n + 1).
// Humidity slots: 0 inside, 1 outside, 2-8 extra 1-7.
struct CalibrationMirror {
  std::array<std::uint8_t, kCalibrationOffsetsSize> offsets{};
  std::array<std::uint8_t, kCalibratedReadingsSize> readings{};

  CalibrationRecord Record(const QueryContext& ctx) const;
  // Offset puts (F tenths x 10 / %): kOk, or kFail when out of range.
  int PutTemperatureOffset(int slot, double offset_f);
  // Value puts: the wanted reading in the caller's unit.
  int PutTemperatureValue(int slot, double reading, const QueryContext& ctx);
  int PutHumidityOffset(int slot, double offset);
  int PutHumidityValue(int slot, double reading);

  int TemperatureOffset(int slot) const;
  int TemperatureReading(int slot) const;
  int HumidityOffset(int slot) const;
  int HumidityReading(int slot) const;

 private:
  void SetTemperatureOffset(int slot, int offset);
};

}  // namespace orbisk::data
