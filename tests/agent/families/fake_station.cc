#include "tests/agent/families/fake_station.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace agent::testing {
namespace {

constexpr std::int32_t kDashed = -32768;

FakeStation* station = nullptr;

void Record(const char* name) { station->calls.emplace_back(name); }

template <const char* Name>
float FloatGetter() {
  Record(Name);
  auto found = station->floats.find(Name);
  return found == station->floats.end() ? kDashed : found->second;
}

template <const char* Name>
std::int32_t NumberGetter() {
  Record(Name);
  auto found = station->numbers.find(Name);
  return found == station->numbers.end() ? kDashed : found->second;
}

template <const char* Name>
std::int32_t Load() {
  Record(Name);
  return station->load_result;
}

template <typename RecordType>
std::int32_t Fill(const char* name, void* out, const RecordType& value) {
  Record(name);
  std::memcpy(out, &value, sizeof value);
  return station->record_result;
}

float CurrentDataById(std::int32_t id) {
  Record("_GetCurrentDataByID_O@4");
  auto found = station->by_id.find(id);
  return found == station->by_id.end() ? kDashed : found->second;
}

std::int32_t CurrentDataStrById(std::int32_t id, char* buffer, std::int32_t length) {
  Record("_GetCurrentDataStrByID_O@12");
  auto found = station->text_by_id.find(id);
  if (found == station->text_by_id.end()) return kDashed;
  if (static_cast<std::int32_t>(found->second.size()) >= length) return -32706;
  std::memcpy(buffer, found->second.c_str(), found->second.size() + 1);
  return 0;
}

float HiLowData(std::int32_t id) {
  Record("_GetHiLowDataByID_O@4");
  auto found = station->hi_low.find(id);
  return found == station->hi_low.end() ? kDashed : found->second;
}

std::int32_t HiLowTime(std::int32_t id, DateTimeRecord* time) {
  Record("_GetHiLowTimeByID_O@8");
  auto found = station->hi_low_time.find(id);
  if (found == station->hi_low_time.end()) return kDashed;
  *time = found->second;
  return 0;
}

std::int32_t StationTime(void* r) { return Fill("_GetStationTime_O@4", r, station->station_time); }
std::int32_t SunTime(const char* name, void* r, const DateTimeRecord& value) {
  if (!station->sun_times_dashed) return Fill(name, r, value);
  Record(name);
  return kDashed;
}
std::int32_t Sunrise(void* r) { return SunTime("_GetSunriseTime_O@4", r, station->sunrise); }
std::int32_t Sunset(void* r) { return SunTime("_GetSunsetTime_O@4", r, station->sunset); }
std::int32_t TimeZone(void* r) { return Fill("_GetTimeZoneSettings_O@4", r, station->time_zone); }
std::int32_t Reception(void* r) { return Fill("_GetReceptionData_O@4", r, station->reception); }
std::int32_t FirmwareDate(void* r) {
  return Fill("_GetStationFirmwareDate_O@4", r, station->firmware_date);
}
std::int32_t Latitude(void* r) { return Fill("_GetOrbiskLat_O@4", r, station->latitude); }
std::int32_t Longitude(void* r) { return Fill("_GetOrbiskLon_O@4", r, station->longitude); }
std::int32_t Transmitters(void* r) {
  return Fill("_GetOrbiskTxConfig_O@4", r, station->transmitters);
}
std::int32_t FirmwareVersion(char* buffer) {
  Record("_GetStationFirmwareVersion_O@4");
  std::strcpy(buffer, station->firmware_version.c_str());
  return 0;
}
std::int32_t InitStation() {
  Record("_InitStation_O@0");
  return 0;
}

#define NAME(id, text) constexpr char id[] = text;
NAME(kInsideTemp, "_GetInsideTemp_O@0")
NAME(kOutsideTemp, "_GetOutsideTemp_O@0")
NAME(kBarometer, "_GetBarometer_O@0")
NAME(kWindChill, "_GetWindChill_O@0")
NAME(kDewPt, "_GetDewPt_O@0")
NAME(kDailyRain, "_GetDailyRain_O@0")
NAME(kMonthlyRain, "_GetMonthlyRain_O@0")
NAME(kStormRain, "_GetStormRain_O@0")
NAME(kTotalRain, "_GetTotalRain_O@0")
NAME(kRainRate, "_GetRainRate_O@0")
NAME(kWindSpeed, "_GetWindSpeed_O@0")
NAME(kInsideHumidity, "_GetInsideHumidity_O@0")
NAME(kOutsideHumidity, "_GetOutsideHumidity_O@0")
NAME(kWindDir, "_GetWindDir_O@0")
NAME(kWindCup, "_GetWindCupSize_O@0")
NAME(kModel, "_GetModelNo_O@0")
NAME(kArchivePeriod, "_GetArchivePeriod_O@0")
NAME(kTempAvg, "_GetTempAvg_O@0")
NAME(kRainCollector, "_GetRainCollectorModelOnStation_O@0")
NAME(kLoadCurrent, "_LoadCurrentOrbiskData_O@0")
NAME(kLoadHiLows, "_LoadOrbiskHiLows_O@0")
#undef NAME

class FakeSource : public ExportSource {
 public:
  void* FindExport(std::string_view name) override {
    const std::pair<std::string_view, void*> exports[] = {
        {kInsideTemp, reinterpret_cast<void*>(&FloatGetter<kInsideTemp>)},
        {kOutsideTemp, reinterpret_cast<void*>(&FloatGetter<kOutsideTemp>)},
        {kBarometer, reinterpret_cast<void*>(&FloatGetter<kBarometer>)},
        {kWindChill, reinterpret_cast<void*>(&FloatGetter<kWindChill>)},
        {kDewPt, reinterpret_cast<void*>(&FloatGetter<kDewPt>)},
        {kDailyRain, reinterpret_cast<void*>(&FloatGetter<kDailyRain>)},
        {kMonthlyRain, reinterpret_cast<void*>(&FloatGetter<kMonthlyRain>)},
        {kStormRain, reinterpret_cast<void*>(&FloatGetter<kStormRain>)},
        {kTotalRain, reinterpret_cast<void*>(&FloatGetter<kTotalRain>)},
        {kRainRate, reinterpret_cast<void*>(&FloatGetter<kRainRate>)},
        {kWindSpeed, reinterpret_cast<void*>(&FloatGetter<kWindSpeed>)},
        {kInsideHumidity, reinterpret_cast<void*>(&NumberGetter<kInsideHumidity>)},
        {kOutsideHumidity, reinterpret_cast<void*>(&NumberGetter<kOutsideHumidity>)},
        {kWindDir, reinterpret_cast<void*>(&NumberGetter<kWindDir>)},
        {kWindCup, reinterpret_cast<void*>(&NumberGetter<kWindCup>)},
        {kModel, reinterpret_cast<void*>(&NumberGetter<kModel>)},
        {kArchivePeriod, reinterpret_cast<void*>(&NumberGetter<kArchivePeriod>)},
        {kTempAvg, reinterpret_cast<void*>(&NumberGetter<kTempAvg>)},
        {kRainCollector, reinterpret_cast<void*>(&NumberGetter<kRainCollector>)},
        {kLoadCurrent, reinterpret_cast<void*>(&Load<kLoadCurrent>)},
        {kLoadHiLows, reinterpret_cast<void*>(&Load<kLoadHiLows>)},
        {"_GetCurrentDataByID_O@4", reinterpret_cast<void*>(&CurrentDataById)},
        {"_GetCurrentDataStrByID_O@12", reinterpret_cast<void*>(&CurrentDataStrById)},
        {"_GetHiLowDataByID_O@4", reinterpret_cast<void*>(&HiLowData)},
        {"_GetHiLowTimeByID_O@8", reinterpret_cast<void*>(&HiLowTime)},
        {"_GetStationTime_O@4", reinterpret_cast<void*>(&StationTime)},
        {"_GetSunriseTime_O@4", reinterpret_cast<void*>(&Sunrise)},
        {"_GetSunsetTime_O@4", reinterpret_cast<void*>(&Sunset)},
        {"_GetTimeZoneSettings_O@4", reinterpret_cast<void*>(&TimeZone)},
        {"_GetReceptionData_O@4", reinterpret_cast<void*>(&Reception)},
        {"_GetStationFirmwareDate_O@4", reinterpret_cast<void*>(&FirmwareDate)},
        {"_GetOrbiskLat_O@4", reinterpret_cast<void*>(&Latitude)},
        {"_GetOrbiskLon_O@4", reinterpret_cast<void*>(&Longitude)},
        {"_GetOrbiskTxConfig_O@4", reinterpret_cast<void*>(&Transmitters)},
        {"_GetStationFirmwareVersion_O@4", reinterpret_cast<void*>(&FirmwareVersion)},
        {"_InitStation_O@0", reinterpret_cast<void*>(&InitStation)},
    };
    for (const auto& [exportName, address] : exports)
      if (exportName == name) return address;
    return nullptr;
  }
};

}  // namespace

FakeStation& Station() { return *station; }

std::unique_ptr<ExportSource> InstallFakeStation() {
  static FakeStation instance;
  instance = FakeStation();
  station = &instance;
  return std::make_unique<FakeSource>();
}

int CallCount(const std::string& export_name) {
  return static_cast<int>(std::count(station->calls.begin(), station->calls.end(), export_name));
}

}  // namespace agent::testing
