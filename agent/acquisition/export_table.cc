#include "agent/acquisition/export_table.h"

#include <charconv>

namespace agent {
namespace {

using K = ResultKind;
using D = Dispatcher;

// Result kinds follow the library interface's prototypes; dispatchers follow the agent's
// binding. Where they differ, the prototype is called and the dispatcher's rule applied after.
constexpr ExportRow kRows[] = {
    {"_CloseCommPort_O@0", "", K::kStatus, D::kWord},
    {"_CloseTCPIPPort_O@0", "", K::kStatus, D::kWord},
    {"_CloseUSBPort_O@0", "", K::kStatus, D::kWord},
    {"_GetArchivePeriod_O@0", "", K::kInt32, D::kWord},
    {"_GetBarFallAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetBarRiseAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetBarometer_O@0", "", K::kFloat, D::kFloat},
    {"_GetCurrentDataByID_O@4", "i", K::kFloat, D::kFloat},
    {"_GetCurrentDataStrByID_O@12", "ipi", K::kStatus, D::kWord},
    {"_GetDailyRain_O@0", "", K::kFloat, D::kFloat},
    {"_GetDewPt_O@0", "", K::kFloat, D::kFloat},
    {"_GetFlashFloodAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetHi10MinWindSpeedAlarm_O@0", "", K::kFloat, D::kWord},
    {"_GetHiDailyRainAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetHiDewPtAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetHiExtraHumAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetHiExtraTempAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetHiHeatIndexAlarm_O@0", "", K::kFloat, D::kWord},
    {"_GetHiInsideHumAlarm_O@0", "", K::kFloat, D::kWord},
    {"_GetHiLeafTempAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetHiLeafWetAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetHiLowDataByID_O@4", "i", K::kFloat, D::kFloat},
    {"_GetHiLowTimeByID_O@8", "ip", K::kStatus, D::kWord},
    {"_GetHiOutsideHumAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetHiRainRateAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetHiRainStormAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetHiSoilMoistureAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetHiSoilTempAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetHiSolarRadAlarm_O@0", "", K::kFloat, D::kWord},
    {"_GetHiTHSWAlarm_O@0", "", K::kFloat, D::kWord},
    {"_GetHiUVAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetHiUVMedAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetHiWindSpeedAlarm_O@0", "", K::kFloat, D::kWord},
    {"_GetInsideHiTempAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetInsideHumidity_O@0", "", K::kInt32, D::kWord},
    {"_GetInsideLowTempAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetInsideTemp_O@0", "", K::kFloat, D::kFloat},
    {"_GetLowDewPtAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetLowExtraHumAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetLowExtraTempAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetLowInsideHumAlarm_O@0", "", K::kFloat, D::kWord},
    {"_GetLowLeafTempAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetLowLeafWetAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetLowOutsideHumAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetLowSoilMoistureAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetLowSoilTempAlarm_O@4", "i", K::kFloat, D::kFloat},
    {"_GetLowWindChillAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetModelNo_O@0", "", K::kInt32, D::kWord},
    {"_GetMonthlyRain_O@0", "", K::kFloat, D::kFloat},
    {"_GetOrbiskLat_O@4", "p", K::kStatus, D::kWord},
    {"_GetOrbiskLon_O@4", "p", K::kStatus, D::kWord},
    {"_GetOrbiskTxConfig_O@4", "p", K::kStatus, D::kWord},
    {"_GetOutsideHiTempAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetOutsideHumidity_O@0", "", K::kInt32, D::kWord},
    {"_GetOutsideLowTempAlarm_O@0", "", K::kFloat, D::kFloat},
    {"_GetOutsideTemp_O@0", "", K::kFloat, D::kFloat},
    {"_GetRainCollectorModelOnStation_O@0", "", K::kValue, D::kWord},
    {"_GetRainRate_O@0", "", K::kFloat, D::kFloat},
    {"_GetReceptionData_O@4", "p", K::kStatus, D::kWord},
    {"_GetStationFirmwareDate_O@4", "p", K::kStatus, D::kWord},
    {"_GetStationFirmwareVersion_O@4", "p", K::kStatus, D::kText},
    {"_GetStationTime_O@4", "p", K::kStatus, D::kWord},
    {"_GetStormRain_O@0", "", K::kFloat, D::kFloat},
    {"_GetSunriseTime_O@4", "p", K::kStatus, D::kWord},
    {"_GetSunsetTime_O@4", "p", K::kStatus, D::kWord},
    {"_GetTempAvg_O@0", "", K::kValue, D::kWord},
    {"_GetTimeAlarmStr_O@0", "", K::kText, D::kByte},
    {"_GetTimeAlarm_O@0", "", K::kInt32, D::kLong},
    {"_GetTimeZoneSettings_O@4", "p", K::kStatus, D::kWord},
    {"_GetTotalRain_O@0", "", K::kFloat, D::kFloat},
    {"_GetUSBDevSerialNumber_O@0", "", K::kInt32, D::kLong},
    {"_GetWindChill_O@0", "", K::kFloat, D::kFloat},
    {"_GetWindCupSize_O@0", "", K::kInt32, D::kWord},
    {"_GetWindDirCalibrationOffset_O@4", "p", K::kStatus, D::kLong},
    {"_GetWindDir_O@0", "", K::kInt32, D::kWord},
    {"_GetWindSpeed_O@0", "", K::kFloat, D::kFloat},
    {"_InitStation_O@0", "", K::kStatus, D::kWord},
    {"_IsNewLoopPackageSupported_O@0", "", K::kByte, D::kWord},
    {"_LoadCurrentOrbiskData_O@0", "", K::kStatus, D::kWord},
    {"_LoadOrbiskAlarms_O@0", "", K::kStatus, D::kWord},
    {"_LoadOrbiskCalibration_O@4", "p", K::kStatus, D::kWord},
    {"_LoadOrbiskHiLows_O@0", "", K::kStatus, D::kWord},
    {"_OpenCommPort_O@8", "ii", K::kStatus, D::kWord},
    {"_OpenTCPIPPort_O@8", "pp", K::kStatus, D::kWord},
    {"_OpenUSBPort_O@4", "i", K::kStatus, D::kWord},
};

}  // namespace

std::span<const ExportRow> BoundExports() {
  return kRows;
}

int BoundExportIndex(std::string_view decorated_name) {
  for (std::size_t i = 0; i < std::size(kRows); ++i) {
    if (kRows[i].decorated_name == decorated_name) return static_cast<int>(i);
  }
  return -1;
}

int DecoratedArgumentBytes(std::string_view decorated_name) {
  std::size_t at = decorated_name.rfind('@');
  if (at == std::string_view::npos || at + 1 == decorated_name.size()) return -1;
  int bytes = 0;
  const char* first = decorated_name.data() + at + 1;
  const char* last = decorated_name.data() + decorated_name.size();
  auto [end, error] = std::from_chars(first, last, bytes);
  return (error == std::errc() && end == last) ? bytes : -1;
}

}  // namespace agent
