// Calibration family: the 27 offset bytes at address 50 and the 43-byte
// calibrated readings ("CALED"/"CALFIX"), the wind direction offset and the
// barometer calibration.
#include "stationlib/data/calibration.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "stationlib/api/data_families.h"
#include "stationlib/api/family_functions.h"
#include "stationlib/data/settings_codec.h"
#include "stationlib/link/library_clock.h"

namespace orbisk::api {
namespace {

using data::CalibrationMirror;
using data::GetLibraryState;
using data::LibraryState;
using data_families::Context;

constexpr int kInsideSlot = 0, kOutsideSlot = 1;
constexpr int kBarometerSettleMs = 100;

// Barometer calibration record of GetBarometerData_O.
struct BarometerData {
  float barometer;
  float elevation;
  float dew_point;
  float virtual_temp;
  std::int16_t c;
  float r;
  float barometer_calibration;
};

// Puts load the calibration block first when it is not loaded.
std::int32_t EnsureLoaded() {
  return GetLibraryState().calibration_loaded ? kSuccess : LoadOrbiskCalibration(nullptr);
}

template <class Put>
std::int32_t WithMirror(Put put) {
  if (EnsureLoaded() != kSuccess) return kCommFailure;
  return put(GetLibraryState().calibration);
}

// The calibration slot of a transmitter's extra sensor, -1 without one.
int TemperatureSlotOf(std::int32_t transmitter) {
  const int slot = data::TransmitterTemperatureSlot(GetLibraryState().tx_config, transmitter);
  return slot < 0 ? -1 : slot + 1;
}
int HumiditySlotOf(std::int32_t transmitter) {
  const int slot = data::TransmitterHumiditySlot(GetLibraryState().tx_config, transmitter);
  return slot < 0 ? -1 : slot + 1;
}

double PressureFromThousandths(double thousandths) {
  return data::PressureFromThousandths(thousandths, GetLibraryState().units);
}

}  // namespace

int32_t LoadOrbiskCalibration(void* record) {
  LibraryState& s = GetLibraryState();
  CalibrationMirror fresh;
  if (link::EepromRead(data::address::kCalibration, data::kCalibrationOffsetsSize,
                       fresh.offsets.data()) != 0)
    return kCommFailure;
  if (link::AckCommand("CALED\n") != 0 || link::ReadChecked(data::kCalibratedReadingsSize + 2) != 0)
    return kCommFailure;
  std::memcpy(fresh.readings.data(), link::ReceiveBuffer(), data::kCalibratedReadingsSize);
  s.calibration = fresh;
  s.calibration_loaded = true;
  data_families::LoadTxConfig();
  if (record != nullptr) {
    const data::CalibrationRecord r = s.calibration.Record(Context());
    std::memcpy(record, &r, sizeof r);
  }
  return kSuccess;
}

int32_t SetOrbiskCalibration(void) {
  LibraryState& s = GetLibraryState();
  if (!s.calibration_loaded) return kCommFailure;
  if (link::AckCommand("CALFIX\n") != 0 ||
      data_families::SendBlock(s.calibration.readings.data(), data::kCalibratedReadingsSize) != 0 ||
      !link::ExpectAck())
    return kCommFailure;
  if (link::EepromWrite(data::address::kCalibration, data::kCalibrationOffsetsSize,
                        s.calibration.offsets.data()) != 0)
    return kCommFailure;
  s.calibration_loaded = false;
  return kSuccess;
}

int32_t PutInsideTempCalibrationOffset(float v) {
  return WithMirror([&](CalibrationMirror& m) { return m.PutTemperatureOffset(kInsideSlot, v); });
}
int32_t PutInsideTempCalibrationValue(float v) {
  return WithMirror(
      [&](CalibrationMirror& m) { return m.PutTemperatureValue(kInsideSlot, v, Context()); });
}
int32_t PutOutsideTempCalibrationOffset(float v) {
  return WithMirror([&](CalibrationMirror& m) { return m.PutTemperatureOffset(kOutsideSlot, v); });
}
int32_t PutOutsideTempCalibrationValue(float v) {
  return WithMirror(
      [&](CalibrationMirror& m) { return m.PutTemperatureValue(kOutsideSlot, v, Context()); });
}
int32_t PutOutsideTempCalibrationOffsetEx(int32_t transmitter, float v) {
  return WithMirror([&](CalibrationMirror& m) {
    const int slot = TemperatureSlotOf(transmitter);
    return slot < 0 ? data::kFail : m.PutTemperatureOffset(slot, v);
  });
}
int32_t PutOutsideTempCalibrationValueEx(int32_t transmitter, float v) {
  return WithMirror([&](CalibrationMirror& m) {
    const int slot = TemperatureSlotOf(transmitter);
    return slot < 0 ? data::kFail : m.PutTemperatureValue(slot, v, Context());
  });
}
int32_t PutInsideHumCalibrationOffset(float v) {
  return WithMirror([&](CalibrationMirror& m) { return m.PutHumidityOffset(kInsideSlot, v); });
}
int32_t PutInsideHumCalibrationValue(float v) {
  return WithMirror([&](CalibrationMirror& m) { return m.PutHumidityValue(kInsideSlot, v); });
}
int32_t PutOutsideHumCalibrationOffset(float v) {
  return WithMirror([&](CalibrationMirror& m) { return m.PutHumidityOffset(kOutsideSlot, v); });
}
int32_t PutOutsideHumCalibrationValue(float v) {
  return WithMirror([&](CalibrationMirror& m) { return m.PutHumidityValue(kOutsideSlot, v); });
}
int32_t PutOutsideHumCalibrationOffsetEx(int32_t transmitter, float v) {
  return WithMirror([&](CalibrationMirror& m) {
    const int slot = HumiditySlotOf(transmitter);
    return slot < 0 ? data::kFail : m.PutHumidityOffset(slot, v);
  });
}
int32_t PutOutsideHumCalibrationValueEx(int32_t transmitter, float v) {
  return WithMirror([&](CalibrationMirror& m) {
    const int slot = HumiditySlotOf(transmitter);
    return slot < 0 ? data::kFail : m.PutHumidityValue(slot, v);
  });
}

int32_t PutWindDirCalibrationOffset(int32_t degrees) {
  if (degrees < -360 || degrees > 360) return kInvalidArgument;
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(degrees & 0xFF),
                                 static_cast<std::uint8_t>((degrees >> 8) & 0xFF)};
  return link::EepromWrite(data::address::kWindDirOffset, 2, bytes) == 0 ? kSuccess : kCommFailure;
}

int32_t GetWindDirCalibrationOffset(int16_t* degrees) {
  if (degrees == nullptr) return kInvalidArgument;
  std::uint8_t bytes[2];
  if (link::EepromRead(data::address::kWindDirOffset, 2, bytes) != 0) return kCommFailure;
  *degrees = static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
  return kSuccess;
}

int32_t PutBarometer(float barometer, int32_t elevation) {
  const data::Units& u = GetLibraryState().units;
  double thousandths = barometer * 1000.0;
  if (u.barometer == 1) thousandths = barometer / 25.4 * 1000.0 + 0.5;
  if (u.barometer >= 2) thousandths = barometer / 33.8639 * 1000.0 + 0.5;
  const long bar = static_cast<long>(thousandths);
  const long feet = u.elevation == 0 ? std::lround(elevation / 0.3048) : elevation;
  if (!std::isfinite(thousandths) || bar > 32500 || (bar < 20000 && bar != 0) || feet < -2000 ||
      feet > 15000)
    return kInvalidArgument;
  if (!link::WakeUp()) return kCommFailure;
  char command[48];
  std::snprintf(command, sizeof command, "BAR=%hd %d\n", static_cast<short>(bar),
                static_cast<int>(feet));
  if (link::SendText(command) != 0) return kCommFailure;
  link::LibraryClock().SleepMs(kBarometerSettleMs);
  return link::ExpectOk() ? kSuccess : kCommFailure;
}

int32_t GetBarometerData(void* record) {
  if (record == nullptr) return kBufferMissing;
  BarometerData out{static_cast<float>(kValueDashed),
                    static_cast<float>(kValueDashed),
                    static_cast<float>(kValueDashed),
                    static_cast<float>(kValueDashed),
                    0,
                    0.0f,
                    0.0f};
  std::memcpy(record, &out, sizeof out);
  if (!link::WakeUp() || link::SendText("BARDATA\n") != 0 || !link::ExpectOk() ||
      link::ReadTextUntilSilence() != 0)
    return kCommFailure;
  const char* text = reinterpret_cast<const char*>(link::ReceiveBuffer());
  float bar = 0, dew = 0, virt = 0, r = 0, cal = 0;
  short elevation = 0, c = 0;
  int used = 0, at = 0;
  const auto scan = [&](const char* format, auto* value) {
    used = -1;
    if (std::sscanf(text + at, format, value, &used) < 1 || used < 0) return false;
    at += used;
    return true;
  };
  if (!scan(" BAR %f %n", &bar) || !scan(" ELEVATION %hd %n", &elevation) ||
      !scan(" DEW POINT %f %n", &dew) || !scan(" VIRTUAL TEMP %f %n", &virt) ||
      !scan(" C %hd %n", &c) || !scan(" R %f %n", &r) ||
      std::sscanf(text + at, " BARCAL %f", &cal) != 1)
    return kCommFailure;
  const data::Units& u = GetLibraryState().units;
  out.barometer = static_cast<float>(PressureFromThousandths(bar));
  out.elevation = static_cast<float>(u.elevation == 0 ? elevation * 0.3048 : elevation);
  const auto temperature = [&](float f) {
    if (f == 255.0f) return static_cast<float>(kValueDashed);
    return static_cast<float>(u.temperature == 1 ? data::FahrenheitToCelsius(f) : f);
  };
  out.dew_point = temperature(dew);
  out.virtual_temp = temperature(virt);
  out.c = c;
  out.r = r / 1000.0f;
  out.barometer_calibration = static_cast<float>(PressureFromThousandths(cal));
  std::memcpy(record, &out, sizeof out);
  return kSuccess;
}

int32_t ClearOrbiskCalNums(void) {
  return link::OkDoneCommand("CLRCAL\n") == 0 ? kSuccess : kCommFailure;
}

}  // namespace orbisk::api
