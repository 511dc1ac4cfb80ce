#include "agent/families/station_configuration.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "agent/acquisition/station_calls.h"
#include "agent/catalogue/number_forms.h"
#include "agent/catalogue/station_time.h"
#include "agent/catalogue/station_values.h"
#include "agent/catalogue/position_text.h"
#include "agent/catalogue/station_code_texts.h"
#include "agent/catalogue/value_catalogue.h"

namespace agent {
namespace {

constexpr std::int32_t kConsoleBatteryId = 0x090C0220;
constexpr std::int32_t kTransmitterBatteryId = 0x0A0C0220;
constexpr std::int32_t kRepeaterBatteryId = 0x0B0C0220;
constexpr int kPublishedTransmitters = 7;

// A record read: its result, 1 on success, must be a valid station value.
bool RecordRead(StationLibrary& library, std::string_view name, void* record) {
  return IsValidStationValue(library.CallStationWord(name, {record})) == 1;
}

// The GMT offset in hours: whole when it is, else with 2 decimals (5.5, -3.5).
std::string GmtOffsetText(float hours) {
  if (!std::isfinite(hours)) return FormatWholeNumber(0);
  if (hours == std::nearbyint(hours)) return FormatFloatAsWhole(hours);
  return FormatDecimal(hours, 2);
}

}  // namespace

int AcquireStationConfiguration(AgentContext& context, StationLibrary& library,
                                FamilySlots& slots) {
  StationConfigurationSlots& configuration = slots.configuration;
  library.CallStationWord("_InitStation_O@0");
  configuration.consoleVoltage =
      std::strtof(GetCurrentDataStrByID(library, kConsoleBatteryId, 10).c_str(), nullptr);
  // The status texts start with words; the bit masks are the values themselves.
  configuration.transmitterStatus = GetCurrentDataByID(library, kTransmitterBatteryId, 0);
  configuration.repeaterStatus = GetCurrentDataByID(library, kRepeaterBatteryId, 0);
  LogMessage(context, FormatFloatAsWhole(configuration.consoleVoltage));

  int result = 1;
  auto read = [&](std::string_view name, void* record) {
    if (!RecordRead(library, name, record)) result = 0;
  };
  read("_GetTimeZoneSettings_O@4", &configuration.timeZone);
  read("_GetReceptionData_O@4", configuration.reception.data());
  read("_GetStationFirmwareDate_O@4", &configuration.firmwareDate);
  read("_GetOrbiskLat_O@4", &configuration.latitude);
  read("_GetOrbiskLon_O@4", &configuration.longitude);

  configuration.firmwareVersion = GetStationFirmwareVersion(library);
  configuration.firmwareDateText = FormatStationDateTime(configuration.firmwareDate, kArgumentAbsent);
  configuration.windCupText = WindCupText(library.CallStationWord("_GetWindCupSize_O@0"));
  configuration.modelText = StationModelText(library.CallStationWord("_GetModelNo_O@0"));
  configuration.latitudeText = LatitudeText(configuration.latitude);
  configuration.longitudeText = LongitudeText(configuration.longitude);

  configuration.archivePeriod = library.CallStationWord("_GetArchivePeriod_O@0");
  configuration.archiveType = library.CallStationWord("_GetTempAvg_O@0");
  configuration.rainCollector = library.CallStationWord("_GetRainCollectorModelOnStation_O@0");
  library.CallStationWord("_GetOrbiskTxConfig_O@4",
                          {static_cast<void*>(configuration.transmitters.data())});
  return result;
}

void PublishStationConfiguration(AgentContext& context, const FamilySlots& slots) {
  ValueCatalogue& catalogue = context.state.catalogue;
  const StationConfigurationSlots& c = slots.configuration;
  const std::pair<std::string_view, std::string> tags[] = {
      {"VoltageBatterieConsole", FormatDecimal(c.consoleVoltage, 2)},
      {"StatusTransmetteur", FormatFloatAsWhole(c.transmitterStatus)},
      {"StatusRepeteur", FormatFloatAsWhole(c.repeaterStatus)},
      {"PaquetsTotalRecus", FormatWholeNumber(c.reception[0])},
      {"PaquetsTotalPerdu", FormatWholeNumber(c.reception[1])},
      {"NombreResynchro", FormatWholeNumber(c.reception[2])},
      {"ErreursCRC", FormatWholeNumber(c.reception[4])},
      {"DateFirmware", c.firmwareDateText},
      {"VersionFirmware", c.firmwareVersion},
      {"Latitude", c.latitudeText},
      {"Longitude", c.longitudeText},
      {"TypeEolienne", c.windCupText},
      {"TypeStation", c.modelText},
      {"TypeCollecteurDePluie", RainCollectorText(c.rainCollector)},
      {"IntervalleArchivageDonnees", FormatWholeNumber(c.archivePeriod)},
      {"TypeArchivageDonnees", ArchiveTypeText(c.archiveType)},
      {"UtilisationFuseau", YesNoText(c.timeZone.useTimeZone)},
      {"ChangementAutoHeureEte", OnOffText(c.timeZone.autoSummerTime)},
      {"HeureEte", YesNoText(c.timeZone.summerTime)},
      {"GMT", GmtOffsetText(c.timeZone.gmtOffsetHours)},
      {"TexteFuseauHoraire", TimeZoneText(c.timeZone.index)},
  };
  for (const auto& [tag, text] : tags) SetTag(catalogue, tag, text);
  for (int n = 0; n < kPublishedTransmitters; ++n)
    SetTag(catalogue, "TransmetteurType_" + std::to_string(n + 1),
           TransmitterTypeText(c.transmitters[n]));
  for (int n = 0; n < kPublishedTransmitters; ++n)
    SetTag(catalogue, "TransmetteurID_" + std::to_string(n + 1),
           FormatWholeNumber(c.transmitters[8 + n]));
}

}  // namespace agent
