// Alarms family: the 94-byte alarm block of the console, mirrored on load;
// puts and clears change a pending copy that SetOrbiskAlarms_O writes back.
#include <algorithm>

#include "stationlib/api/data_families.h"
#include "stationlib/api/family_functions.h"
#include "stationlib/data/alarm_block.h"
#include "stationlib/data/time_text.h"

namespace orbisk::api {
namespace {

using data::AlarmBlock;
using data::AlarmEncoding;
using data::AlarmField;
using data::GetLibraryState;
using data::LibraryState;
using data::SensorAlarm;
using data_families::Context;

// Where each single threshold lies in the block.
constexpr AlarmField kBarRise{0, AlarmEncoding::kBarometer};
constexpr AlarmField kBarFall{1, AlarmEncoding::kBarometer};
constexpr AlarmField kInsideLowTemp{6, AlarmEncoding::kTemperature90};
constexpr AlarmField kInsideHiTemp{7, AlarmEncoding::kTemperature90};
constexpr AlarmField kOutsideLowTemp{8, AlarmEncoding::kTemperature90};
constexpr AlarmField kOutsideHiTemp{9, AlarmEncoding::kTemperature90};
constexpr AlarmField kLowInsideHum{40, AlarmEncoding::kPercent};
constexpr AlarmField kHiInsideHum{41, AlarmEncoding::kPercent};
constexpr AlarmField kLowOutsideHum{42, AlarmEncoding::kPercent};
constexpr AlarmField kHiOutsideHum{50, AlarmEncoding::kPercentOrZero};
constexpr AlarmField kLowDewPt{58, AlarmEncoding::kTemperature120};
constexpr AlarmField kHiDewPt{59, AlarmEncoding::kTemperature120};
constexpr AlarmField kLowWindChill{60, AlarmEncoding::kTemperature120};
constexpr AlarmField kHiHeatIndex{61, AlarmEncoding::kTemperature90};
constexpr AlarmField kHiTHSW{62, AlarmEncoding::kTemperature90};
constexpr AlarmField kHiWindSpeed{63, AlarmEncoding::kWind};
constexpr AlarmField kHi10MinWindSpeed{64, AlarmEncoding::kWind};
constexpr AlarmField kHiUV{65, AlarmEncoding::kTenths};
constexpr AlarmField kHiUVMed{66, AlarmEncoding::kTenths};
constexpr AlarmField kHiSolarRad{83, AlarmEncoding::kSolar};
constexpr AlarmField kHiRainRate{85, AlarmEncoding::kRain};
constexpr AlarmField kFlashFlood{87, AlarmEncoding::kRain};
constexpr AlarmField kHiDailyRain{89, AlarmEncoding::kRain};
constexpr AlarmField kHiRainStorm{91, AlarmEncoding::kRain};

// Getters load the block on first use.
std::int32_t EnsureLoaded() {
  return GetLibraryState().alarms_loaded ? kSuccess : LoadOrbiskAlarms();
}

// Puts and clears work on the pending copy, made from the loaded block.
std::int32_t EnsurePending() {
  LibraryState& s = GetLibraryState();
  if (s.pending_exists) return kSuccess;
  if (const std::int32_t code = EnsureLoaded(); code != kSuccess) return code;
  s.pending = s.alarms;
  s.pending_exists = true;
  return kSuccess;
}

float Threshold(const AlarmField& f, bool exact = false) {
  if (const std::int32_t code = EnsureLoaded(); code != kSuccess) return static_cast<float>(code);
  double value = 0;
  if (!GetLibraryState().alarms.Get(f, Context(), value, exact))
    return static_cast<float>(kValueDashed);
  return static_cast<float>(value);
}

std::int32_t PutThreshold(const AlarmField& f, float value) {
  if (const std::int32_t code = EnsurePending(); code != kSuccess) return code;
  return GetLibraryState().pending.Put(f, value, Context());
}

std::int32_t ClearThreshold(const AlarmField& f) {
  if (const std::int32_t code = EnsurePending(); code != kSuccess) return code;
  GetLibraryState().pending.Clear(f);
  return kSuccess;
}

float SensorThreshold(SensorAlarm family, std::int32_t sensor, bool high) {
  AlarmField f{};
  if (!data::SensorAlarmField(family, sensor, high, f)) return static_cast<float>(kInvalidArgument);
  return Threshold(f);
}

std::int32_t PutSensorThreshold(SensorAlarm family, std::int32_t sensor, bool high, float value) {
  AlarmField f{};
  if (!data::SensorAlarmField(family, sensor, high, f)) return kInvalidArgument;
  return PutThreshold(f, value);
}

std::int32_t ClearSensorThreshold(SensorAlarm family, std::int32_t sensor, bool high) {
  AlarmField f{};
  if (!data::SensorAlarmField(family, sensor, high, f)) return kInvalidArgument;
  return ClearThreshold(f);
}

}  // namespace

int32_t LoadOrbiskAlarms(void) {
  LibraryState& s = GetLibraryState();
  std::uint8_t block[data::kAlarmBlockSize];
  // A failed read keeps an earlier loaded block.
  if (link::EepromRead(data::kAlarmAddress, data::kAlarmBlockSize, block) != 0) return kCommFailure;
  s.alarms = AlarmBlock::none();
  std::copy(block, block + data::kAlarmBlockSize - 1, s.alarms.bytes.begin());
  s.alarms_loaded = true;
  s.pending = s.alarms;
  s.pending_exists = true;
  data_families::LoadTxConfig();
  return kSuccess;
}

int32_t SetOrbiskAlarms(void) {
  LibraryState& s = GetLibraryState();
  if (!s.pending_exists) return kNoDataLoaded;
  // The pending copy is discarded whatever the outcome.
  s.pending_exists = false;
  if (link::EepromWrite(data::kAlarmAddress, data::kAlarmBlockSize, s.pending.bytes.data()) != 0)
    return kCommFailure;
  s.alarms = s.pending;
  return kSuccess;
}

int32_t GetTimeAlarm(void) {
  if (const std::int32_t code = EnsureLoaded(); code != kSuccess) return code;
  const int t = GetLibraryState().alarms.TimeAlarm();
  return t < 0 ? kValueDashed : t;
}

const char* GetTimeAlarmStr(void) {
  LibraryState& s = GetLibraryState();
  const int t = EnsureLoaded() == kSuccess ? s.alarms.TimeAlarm() : -1;
  s.time_alarm_text = t < 0 ? "---" : data::MinuteOfDayText(data::HhmmToMinutes(t));
  return s.time_alarm_text.c_str();
}

int32_t PutTimeAlarm(const char* text) {
  if (const std::int32_t code = EnsurePending(); code != kSuccess) return code;
  return GetLibraryState().pending.PutTimeAlarm(text);
}

int32_t ClearTimeAlarm(void) {
  if (const std::int32_t code = EnsurePending(); code != kSuccess) return code;
  GetLibraryState().pending.ClearTimeAlarm();
  return kSuccess;
}

float GetBarRiseAlarm(void) {
  return Threshold(kBarRise);
}
float GetBarFallAlarm(void) {
  return Threshold(kBarFall);
}
float GetInsideLowTempAlarm(void) {
  return Threshold(kInsideLowTemp);
}
float GetInsideHiTempAlarm(void) {
  return Threshold(kInsideHiTemp);
}
float GetOutsideLowTempAlarm(void) {
  return Threshold(kOutsideLowTemp);
}
float GetOutsideHiTempAlarm(void) {
  return Threshold(kOutsideHiTemp);
}
float GetLowInsideHumAlarm(void) {
  return Threshold(kLowInsideHum);
}
float GetHiInsideHumAlarm(void) {
  return Threshold(kHiInsideHum);
}
float GetLowOutsideHumAlarm(void) {
  return Threshold(kLowOutsideHum);
}
float GetHiOutsideHumAlarm(void) {
  return Threshold(kHiOutsideHum);
}
float GetLowWindChillAlarm(void) {
  return Threshold(kLowWindChill);
}
float GetLowDewPtAlarm(void) {
  return Threshold(kLowDewPt);
}
float GetHiDewPtAlarm(void) {
  return Threshold(kHiDewPt);
}
float GetHiWindSpeedAlarm(void) {
  return Threshold(kHiWindSpeed);
}
float GetHi10MinWindSpeedAlarm(void) {
  return Threshold(kHi10MinWindSpeed);
}
float GetHiRainRateAlarm(void) {
  return Threshold(kHiRainRate);
}
float GetHiDailyRainAlarm(void) {
  return Threshold(kHiDailyRain);
}
float GetHiRainStormAlarm(void) {
  return Threshold(kHiRainStorm);
}
float GetFlashFloodAlarm(void) {
  return Threshold(kFlashFlood);
}
float GetHiHeatIndexAlarm(void) {
  return Threshold(kHiHeatIndex);
}
float GetHiTHSWAlarm(void) {
  return Threshold(kHiTHSW);
}
float GetHiUVAlarm(void) {
  return Threshold(kHiUV);
}
float GetHiUVMedAlarm(void) {
  return Threshold(kHiUVMed);
}
float GetHiSolarRadAlarm(void) {
  return Threshold(kHiSolarRad);
}
float GetHiWindSpeedAlarmEx(void) {
  return Threshold(kHiWindSpeed, true);
}
float GetHi10MinWindSpeedAlarmEx(void) {
  return Threshold(kHi10MinWindSpeed, true);
}
int32_t PutInsideLowTempAlarm(float value) {
  return PutThreshold(kInsideLowTemp, value);
}
int32_t PutInsideHiTempAlarm(float value) {
  return PutThreshold(kInsideHiTemp, value);
}
int32_t PutOutsideLowTempAlarm(float value) {
  return PutThreshold(kOutsideLowTemp, value);
}
int32_t PutOutsideHiTempAlarm(float value) {
  return PutThreshold(kOutsideHiTemp, value);
}
int32_t PutLowDewPtAlarm(float value) {
  return PutThreshold(kLowDewPt, value);
}
int32_t PutHiDewPtAlarm(float value) {
  return PutThreshold(kHiDewPt, value);
}
int32_t PutLowWindChillAlarm(float value) {
  return PutThreshold(kLowWindChill, value);
}
int32_t PutHiHeatIndexAlarm(float value) {
  return PutThreshold(kHiHeatIndex, value);
}
int32_t PutHiTHSWAlarm(float value) {
  return PutThreshold(kHiTHSW, value);
}
int32_t PutLowInsideHumAlarm(float value) {
  return PutThreshold(kLowInsideHum, value);
}
int32_t PutHiInsideHumAlarm(float value) {
  return PutThreshold(kHiInsideHum, value);
}
int32_t PutLowOutsideHumAlarm(float value) {
  return PutThreshold(kLowOutsideHum, value);
}
int32_t PutHiOutsideHumAlarm(float value) {
  return PutThreshold(kHiOutsideHum, value);
}
int32_t PutBarRiseAlarm(float value) {
  return PutThreshold(kBarRise, value);
}
int32_t PutBarFallAlarm(float value) {
  return PutThreshold(kBarFall, value);
}
int32_t PutHiWindSpeedAlarm(float value) {
  return PutThreshold(kHiWindSpeed, value);
}
int32_t PutHi10MinWindSpeedAlarm(float value) {
  return PutThreshold(kHi10MinWindSpeed, value);
}
int32_t PutHiRainFloodAlarm(float value) {
  return PutThreshold(kFlashFlood, value);
}
int32_t PutRainPerDayAlarm(float value) {
  return PutThreshold(kHiDailyRain, value);
}
int32_t PutRainStormAlarm(float value) {
  return PutThreshold(kHiRainStorm, value);
}
int32_t PutRainRateAlarm(float value) {
  return PutThreshold(kHiRainRate, value);
}
int32_t PutHiUVAlarm(float value) {
  return PutThreshold(kHiUV, value);
}
int32_t PutHiUVMedAlarm(float value) {
  return PutThreshold(kHiUVMed, value);
}
int32_t PutHiSolarRadAlarm(float value) {
  return PutThreshold(kHiSolarRad, value);
}
int32_t ClearInsideLowTempAlarm(void) {
  return ClearThreshold(kInsideLowTemp);
}
int32_t ClearInsideHiTempAlarm(void) {
  return ClearThreshold(kInsideHiTemp);
}
int32_t ClearOutsideLowTempAlarm(void) {
  return ClearThreshold(kOutsideLowTemp);
}
int32_t ClearOutsideHiTempAlarm(void) {
  return ClearThreshold(kOutsideHiTemp);
}
int32_t ClearLowDewPtAlarm(void) {
  return ClearThreshold(kLowDewPt);
}
int32_t ClearHiDewPtAlarm(void) {
  return ClearThreshold(kHiDewPt);
}
int32_t ClearLowWindChillAlarm(void) {
  return ClearThreshold(kLowWindChill);
}
int32_t ClearHiHeatIndexAlarm(void) {
  return ClearThreshold(kHiHeatIndex);
}
int32_t ClearLowInsideHumAlarm(void) {
  return ClearThreshold(kLowInsideHum);
}
int32_t ClearHiInsideHumAlarm(void) {
  return ClearThreshold(kHiInsideHum);
}
int32_t ClearLowOutsideHumAlarm(void) {
  return ClearThreshold(kLowOutsideHum);
}
int32_t ClearHiOutsideHumAlarm(void) {
  return ClearThreshold(kHiOutsideHum);
}
int32_t ClearBarRiseAlarm(void) {
  return ClearThreshold(kBarRise);
}
int32_t ClearBarFallAlarm(void) {
  return ClearThreshold(kBarFall);
}
int32_t ClearHiWindSpeedAlarm(void) {
  return ClearThreshold(kHiWindSpeed);
}
int32_t ClearHi10MinWindSpeedAlarm(void) {
  return ClearThreshold(kHi10MinWindSpeed);
}
int32_t ClearHiRainFloodAlarm(void) {
  return ClearThreshold(kFlashFlood);
}
int32_t ClearHiRainPerDayAlarm(void) {
  return ClearThreshold(kHiDailyRain);
}
int32_t ClearRainStormAlarm(void) {
  return ClearThreshold(kHiRainStorm);
}
int32_t ClearRainRateAlarm(void) {
  return ClearThreshold(kHiRainRate);
}
int32_t ClearHiUVAlarm(void) {
  return ClearThreshold(kHiUV);
}
int32_t ClearHiUVMedAlarm(void) {
  return ClearThreshold(kHiUVMed);
}
int32_t ClearHiTHSWAlarm(void) {
  return ClearThreshold(kHiTHSW);
}
int32_t ClearHiSolarRadAlarm(void) {
  return ClearThreshold(kHiSolarRad);
}
float GetLowExtraTempAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kExtraTemp, sensor, false);
}
int32_t PutLowExtraTempAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kExtraTemp, sensor, false, value);
}
int32_t ClearLowExtraTempAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kExtraTemp, sensor, false);
}
float GetHiExtraTempAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kExtraTemp, sensor, true);
}
int32_t PutHiExtraTempAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kExtraTemp, sensor, true, value);
}
int32_t ClearHiExtraTempAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kExtraTemp, sensor, true);
}
float GetLowExtraHumAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kExtraHum, sensor, false);
}
int32_t PutLowExtraHumAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kExtraHum, sensor, false, value);
}
int32_t ClearLowExtraHumAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kExtraHum, sensor, false);
}
float GetHiExtraHumAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kExtraHum, sensor, true);
}
int32_t PutHiExtraHumAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kExtraHum, sensor, true, value);
}
int32_t ClearHiExtraHumAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kExtraHum, sensor, true);
}
float GetLowSoilTempAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kSoilTemp, sensor, false);
}
int32_t PutLowSoilTempAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kSoilTemp, sensor, false, value);
}
int32_t ClearLowSoilTempAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kSoilTemp, sensor, false);
}
float GetHiSoilTempAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kSoilTemp, sensor, true);
}
int32_t PutHiSoilTempAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kSoilTemp, sensor, true, value);
}
int32_t ClearHiSoilTempAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kSoilTemp, sensor, true);
}
float GetLowSoilMoistureAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kSoilMoisture, sensor, false);
}
int32_t PutLowSoilMoistureAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kSoilMoisture, sensor, false, value);
}
int32_t ClearLowSoilMoistureAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kSoilMoisture, sensor, false);
}
float GetHiSoilMoistureAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kSoilMoisture, sensor, true);
}
int32_t PutHiSoilMoistureAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kSoilMoisture, sensor, true, value);
}
int32_t ClearHiSoilMoistureAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kSoilMoisture, sensor, true);
}
float GetLowLeafTempAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kLeafTemp, sensor, false);
}
int32_t PutLowLeafTempAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kLeafTemp, sensor, false, value);
}
int32_t ClearLowLeafTempAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kLeafTemp, sensor, false);
}
float GetHiLeafTempAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kLeafTemp, sensor, true);
}
int32_t PutHiLeafTempAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kLeafTemp, sensor, true, value);
}
int32_t ClearHiLeafTempAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kLeafTemp, sensor, true);
}
float GetLowLeafWetAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kLeafWet, sensor, false);
}
int32_t PutLowLeafWetAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kLeafWet, sensor, false, value);
}
int32_t ClearLowLeafWetAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kLeafWet, sensor, false);
}
float GetHiLeafWetAlarm(int32_t sensor) {
  return SensorThreshold(SensorAlarm::kLeafWet, sensor, true);
}
int32_t PutHiLeafWetAlarm(int32_t sensor, float value) {
  return PutSensorThreshold(SensorAlarm::kLeafWet, sensor, true, value);
}
int32_t ClearHiLeafWetAlarm(int32_t sensor) {
  return ClearSensorThreshold(SensorAlarm::kLeafWet, sensor, true);
}

}  // namespace orbisk::api
