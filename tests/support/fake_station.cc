#include "tests/support/fake_station.h"

#include <cstring>
#include <utility>

namespace agent::testing {
namespace {

constexpr std::int32_t kDashed = -32768;
constexpr std::int32_t kBufferMissing = -32706;

std::unique_ptr<FakeStation> current = std::make_unique<FakeStation>();

// --- The link.

std::int32_t Open(const char* name, std::string link_call) {
  Station().Record(name, std::move(link_call));
  return Station().open_result;
}
std::int32_t OpenTcpIpPort(const char* port, const char* host) {
  return Open("_OpenTCPIPPort_O@8", std::string("tcp ") + host + " " + port);
}
std::int32_t OpenCommPort(std::int32_t port, std::int32_t baud) {
  return Open("_OpenCommPort_O@8", "serial " + std::to_string(port) + " " + std::to_string(baud));
}
std::int32_t OpenUsbPort(std::int32_t serial) {
  return Open("_OpenUSBPort_O@4", "usb " + std::to_string(serial));
}

std::int32_t InitStation() {
  FakeStation& station = Station();
  station.Record("_InitStation_O@0");
  ++station.init_calls;
  station.WaitWhileHeld();
  station.init_returned = true;
  return station.init_result;
}

std::int32_t Close(const char* name, const char* link_call) {
  FakeStation& station = Station();
  if (!station.init_returned && station.init_calls > 0) station.closed_before_init_returned = true;
  ++station.close_calls;
  station.Record(name, link_call);
  return 0;
}
std::int32_t CloseCommPort() {
  return Close("_CloseCommPort_O@0", "close serial");
}
std::int32_t CloseTcpIpPort() {
  return Close("_CloseTCPIPPort_O@0", "close tcp");
}
std::int32_t CloseUsbPort() {
  return Close("_CloseUSBPort_O@0", "close usb");
}

std::int32_t UsbDevSerialNumber() {
  Station().Record("_GetUSBDevSerialNumber_O@0");
  return Station().usb_serial_number;
}
std::uint8_t IsNewLoopPackageSupported() {
  Station().Record("_IsNewLoopPackageSupported_O@0");
  return Station().loop_supported;
}
std::int32_t LoadCalibration(void*) {
  Station().Record("_LoadOrbiskCalibration_O@4");
  return Station().calibration_result;
}
std::int32_t WindDirCalibrationOffset(std::int16_t* offset) {
  Station().Record("_GetWindDirCalibrationOffset_O@4");
  offset[0] = 0;
  return 0;
}

// --- The data.

template <const char* kName>
float FloatGetter() {
  Station().Record(kName);
  auto found = Station().floats.find(kName);
  return found == Station().floats.end() ? kDashed : found->second;
}

template <const char* kName>
std::int32_t NumberGetter() {
  Station().Record(kName);
  auto found = Station().numbers.find(kName);
  return found == Station().numbers.end() ? kDashed : found->second;
}

template <const char* kName>
std::int32_t Load() {
  Station().Record(kName);
  return Station().load_result;
}

template <typename RecordType>
std::int32_t Fill(const char* name, void* out, const RecordType& value) {
  Station().Record(name);
  std::memcpy(out, &value, sizeof value);
  return Station().record_result;
}

float CurrentDataById(std::int32_t id) {
  Station().Record("_GetCurrentDataByID_O@4");
  auto found = Station().by_id.find(id);
  return found == Station().by_id.end() ? kDashed : found->second;
}

std::int32_t CurrentDataStrById(std::int32_t id, char* buffer, std::int32_t length) {
  Station().Record("_GetCurrentDataStrByID_O@12");
  auto found = Station().text_by_id.find(id);
  if (found == Station().text_by_id.end()) return kDashed;
  if (static_cast<std::int32_t>(found->second.size()) >= length) return kBufferMissing;
  std::memcpy(buffer, found->second.c_str(), found->second.size() + 1);
  return 0;
}

float HiLowData(std::int32_t id) {
  Station().Record("_GetHiLowDataByID_O@4");
  auto found = Station().hi_low.find(id);
  return found == Station().hi_low.end() ? kDashed : found->second;
}

std::int32_t HiLowTime(std::int32_t id, OrbiskDateTime* time) {
  Station().Record("_GetHiLowTimeByID_O@8");
  auto found = Station().hi_low_time.find(id);
  if (found == Station().hi_low_time.end()) return kDashed;
  *time = found->second;
  return 0;
}

std::int32_t StationTime(void* r) {
  return Fill("_GetStationTime_O@4", r, Station().station_time);
}
std::int32_t SunTime(const char* name, void* r, const OrbiskDateTime& value) {
  if (!Station().sun_times_dashed) return Fill(name, r, value);
  Station().Record(name);
  return kDashed;
}
std::int32_t Sunrise(void* r) {
  return SunTime("_GetSunriseTime_O@4", r, Station().sunrise);
}
std::int32_t Sunset(void* r) {
  return SunTime("_GetSunsetTime_O@4", r, Station().sunset);
}
std::int32_t TimeZone(void* r) {
  return Fill("_GetTimeZoneSettings_O@4", r, Station().time_zone);
}
std::int32_t Reception(void* r) {
  return Fill("_GetReceptionData_O@4", r, Station().reception);
}
std::int32_t FirmwareDate(void* r) {
  return Fill("_GetStationFirmwareDate_O@4", r, Station().firmware_date);
}
std::int32_t Latitude(void* r) {
  return Fill("_GetOrbiskLat_O@4", r, Station().latitude);
}
std::int32_t Longitude(void* r) {
  return Fill("_GetOrbiskLon_O@4", r, Station().longitude);
}
std::int32_t Transmitters(void* r) {
  return Fill("_GetOrbiskTxConfig_O@4", r, Station().transmitters);
}
std::int32_t FirmwareVersion(char* buffer) {
  Station().Record("_GetStationFirmwareVersion_O@4");
  std::strcpy(buffer, Station().firmware_version.c_str());
  return 0;
}

// Template arguments: the getters answering from a table by their own name.
constexpr char kInsideTemp[] = "_GetInsideTemp_O@0";
constexpr char kOutsideTemp[] = "_GetOutsideTemp_O@0";
constexpr char kBarometer[] = "_GetBarometer_O@0";
constexpr char kWindChill[] = "_GetWindChill_O@0";
constexpr char kDewPt[] = "_GetDewPt_O@0";
constexpr char kDailyRain[] = "_GetDailyRain_O@0";
constexpr char kMonthlyRain[] = "_GetMonthlyRain_O@0";
constexpr char kStormRain[] = "_GetStormRain_O@0";
constexpr char kTotalRain[] = "_GetTotalRain_O@0";
constexpr char kRainRate[] = "_GetRainRate_O@0";
constexpr char kWindSpeed[] = "_GetWindSpeed_O@0";
constexpr char kInsideHumidity[] = "_GetInsideHumidity_O@0";
constexpr char kOutsideHumidity[] = "_GetOutsideHumidity_O@0";
constexpr char kWindDir[] = "_GetWindDir_O@0";
constexpr char kWindCup[] = "_GetWindCupSize_O@0";
constexpr char kModel[] = "_GetModelNo_O@0";
constexpr char kArchivePeriod[] = "_GetArchivePeriod_O@0";
constexpr char kTempAvg[] = "_GetTempAvg_O@0";
constexpr char kRainCollector[] = "_GetRainCollectorModelOnStation_O@0";
constexpr char kLoadCurrent[] = "_LoadCurrentOrbiskData_O@0";
constexpr char kLoadHiLows[] = "_LoadOrbiskHiLows_O@0";

template <typename Function>
std::pair<const std::string_view, void*> Export(std::string_view name, Function* function) {
  return {name, reinterpret_cast<void*>(function)};
}

class Source : public ExportSource {
 public:
  void* FindExport(std::string_view name) override {
    static const std::map<std::string_view, void*> kExports = {
        Export("_OpenTCPIPPort_O@8", &OpenTcpIpPort),
        Export("_OpenCommPort_O@8", &OpenCommPort),
        Export("_OpenUSBPort_O@4", &OpenUsbPort),
        Export("_InitStation_O@0", &InitStation),
        Export("_CloseCommPort_O@0", &CloseCommPort),
        Export("_CloseTCPIPPort_O@0", &CloseTcpIpPort),
        Export("_CloseUSBPort_O@0", &CloseUsbPort),
        Export("_GetUSBDevSerialNumber_O@0", &UsbDevSerialNumber),
        Export("_IsNewLoopPackageSupported_O@0", &IsNewLoopPackageSupported),
        Export("_LoadOrbiskCalibration_O@4", &LoadCalibration),
        Export("_GetWindDirCalibrationOffset_O@4", &WindDirCalibrationOffset),
        Export(kInsideTemp, &FloatGetter<kInsideTemp>),
        Export(kOutsideTemp, &FloatGetter<kOutsideTemp>),
        Export(kBarometer, &FloatGetter<kBarometer>),
        Export(kWindChill, &FloatGetter<kWindChill>),
        Export(kDewPt, &FloatGetter<kDewPt>),
        Export(kDailyRain, &FloatGetter<kDailyRain>),
        Export(kMonthlyRain, &FloatGetter<kMonthlyRain>),
        Export(kStormRain, &FloatGetter<kStormRain>),
        Export(kTotalRain, &FloatGetter<kTotalRain>),
        Export(kRainRate, &FloatGetter<kRainRate>),
        Export(kWindSpeed, &FloatGetter<kWindSpeed>),
        Export(kInsideHumidity, &NumberGetter<kInsideHumidity>),
        Export(kOutsideHumidity, &NumberGetter<kOutsideHumidity>),
        Export(kWindDir, &NumberGetter<kWindDir>),
        Export(kWindCup, &NumberGetter<kWindCup>),
        Export(kModel, &NumberGetter<kModel>),
        Export(kArchivePeriod, &NumberGetter<kArchivePeriod>),
        Export(kTempAvg, &NumberGetter<kTempAvg>),
        Export(kRainCollector, &NumberGetter<kRainCollector>),
        Export(kLoadCurrent, &Load<kLoadCurrent>),
        Export(kLoadHiLows, &Load<kLoadHiLows>),
        Export("_GetCurrentDataByID_O@4", &CurrentDataById),
        Export("_GetCurrentDataStrByID_O@12", &CurrentDataStrById),
        Export("_GetHiLowDataByID_O@4", &HiLowData),
        Export("_GetHiLowTimeByID_O@8", &HiLowTime),
        Export("_GetStationTime_O@4", &StationTime),
        Export("_GetSunriseTime_O@4", &Sunrise),
        Export("_GetSunsetTime_O@4", &Sunset),
        Export("_GetTimeZoneSettings_O@4", &TimeZone),
        Export("_GetReceptionData_O@4", &Reception),
        Export("_GetStationFirmwareDate_O@4", &FirmwareDate),
        Export("_GetOrbiskLat_O@4", &Latitude),
        Export("_GetOrbiskLon_O@4", &Longitude),
        Export("_GetOrbiskTxConfig_O@4", &Transmitters),
        Export("_GetStationFirmwareVersion_O@4", &FirmwareVersion),
    };
    auto found = kExports.find(name);
    return found == kExports.end() ? nullptr : found->second;
  }
};

}  // namespace

void FakeStation::HoldInitialisation() {
  std::lock_guard<std::mutex> hold(mutex);
  holding = true;
}

void FakeStation::Release() {
  std::lock_guard<std::mutex> hold(mutex);
  holding = false;
  released.notify_all();
}

void FakeStation::WaitWhileHeld() {
  std::unique_lock<std::mutex> hold(mutex);
  released.wait(hold, [this] { return !holding; });
}

void FakeStation::Record(std::string export_name, std::string link_call) {
  std::lock_guard<std::mutex> hold(mutex);
  calls.push_back({std::move(export_name), std::move(link_call)});
}

std::vector<std::string> FakeStation::Calls() {
  std::lock_guard<std::mutex> hold(mutex);
  std::vector<std::string> names;
  for (const Call& call : calls) names.push_back(call.export_name);
  return names;
}

int FakeStation::CallCount(std::string_view export_name) {
  std::lock_guard<std::mutex> hold(mutex);
  int count = 0;
  for (const Call& call : calls) count += call.export_name == export_name;
  return count;
}

void FakeStation::ClearCalls() {
  std::lock_guard<std::mutex> hold(mutex);
  calls.clear();
}

std::string FakeStation::LinkCalls() {
  std::lock_guard<std::mutex> hold(mutex);
  std::string all;
  for (const Call& call : calls) {
    if (!call.link_call.empty()) all += call.link_call + ";";
  }
  return all;
}

FakeStation& Station() {
  return *current;
}

std::unique_ptr<ExportSource> InstallFakeStation() {
  current = std::make_unique<FakeStation>();
  return std::make_unique<Source>();
}

}  // namespace agent::testing
