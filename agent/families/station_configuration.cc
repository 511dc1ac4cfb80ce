#include "agent/families/station_configuration.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "agent/acquisition/station_calls.h"
#include "agent/catalogue/number_forms.h"
#include "agent/catalogue/position_text.h"
#include "agent/catalogue/station_code_texts.h"
#include "agent/catalogue/station_time.h"
#include "agent/catalogue/station_values.h"
#include "agent/catalogue/value_catalogue.h"

namespace agent {
namespace {

constexpr std::int32_t kConsoleBatteryId = kOrbiskIdConsoleBattery;
constexpr std::int32_t kTransmitterBatteryId = kOrbiskIdTransmitterBattery;
constexpr std::int32_t kRepeaterBatteryId = kOrbiskIdRepeaterBattery;
constexpr int kPublishedTransmitters = 7;

// A record read: its result, 1 on success, must be a valid station value.
bool RecordRead(StationLibrary& library, Export bound, void* record) {
  return IsValidStationValue(library.CallStationWord(bound, {record})) == 1;
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
  library.CallStationWord(Export::kInitStation);
  configuration.console_voltage =
      std::strtof(GetCurrentDataStrByID(library, kConsoleBatteryId, 10).c_str(), nullptr);
  // The status texts start with words; the bit masks are the values themselves.
  configuration.transmitter_status = GetCurrentDataByID(library, kTransmitterBatteryId, 0);
  configuration.repeater_status = GetCurrentDataByID(library, kRepeaterBatteryId, 0);
  LogMessage(context, FormatFloatAsWhole(configuration.console_voltage));

  int result = 1;
  auto read = [&](Export bound, void* record) {
    if (!RecordRead(library, bound, record)) result = 0;
  };
  read(Export::kGetTimeZoneSettings, &configuration.time_zone);
  read(Export::kGetReceptionData, configuration.reception.data());
  read(Export::kGetStationFirmwareDate, &configuration.firmware_date);
  read(Export::kGetOrbiskLat, &configuration.latitude);
  read(Export::kGetOrbiskLon, &configuration.longitude);

  configuration.firmware_version = GetStationFirmwareVersion(library);
  configuration.firmware_date_text =
      FormatStationDateTime(configuration.firmware_date, kArgumentAbsent);
  configuration.wind_cup_text = WindCupText(library.CallStationWord(Export::kGetWindCupSize));
  configuration.model_text = StationModelText(library.CallStationWord(Export::kGetModelNo));
  configuration.latitude_text = LatitudeText(configuration.latitude);
  configuration.longitude_text = LongitudeText(configuration.longitude);

  configuration.archive_period = library.CallStationWord(Export::kGetArchivePeriod);
  configuration.archive_type = library.CallStationWord(Export::kGetTempAvg);
  configuration.rain_collector = library.CallStationWord(Export::kGetRainCollectorModelOnStation);
  library.CallStationWord(Export::kGetOrbiskTxConfig,
                          {static_cast<void*>(configuration.transmitters.data())});
  return result;
}

void PublishStationConfiguration(AgentContext& context, const FamilySlots& slots) {
  ValueCatalogue& catalogue = context.state.catalogue;
  const StationConfigurationSlots& c = slots.configuration;
  const std::pair<std::string_view, std::string> tags[] = {
      {"VoltageBatterieConsole", FormatDecimal(c.console_voltage, 2)},
      {"StatusTransmetteur", FormatFloatAsWhole(c.transmitter_status)},
      {"StatusRepeteur", FormatFloatAsWhole(c.repeater_status)},
      {"PaquetsTotalRecus", FormatWholeNumber(c.reception[0])},
      {"PaquetsTotalPerdu", FormatWholeNumber(c.reception[1])},
      {"NombreResynchro", FormatWholeNumber(c.reception[2])},
      {"ErreursCRC", FormatWholeNumber(c.reception[4])},
      {"DateFirmware", c.firmware_date_text},
      {"VersionFirmware", c.firmware_version},
      {"Latitude", c.latitude_text},
      {"Longitude", c.longitude_text},
      {"TypeEolienne", c.wind_cup_text},
      {"TypeStation", c.model_text},
      {"TypeCollecteurDePluie", RainCollectorText(c.rain_collector)},
      {"IntervalleArchivageDonnees", FormatWholeNumber(c.archive_period)},
      {"TypeArchivageDonnees", ArchiveTypeText(c.archive_type)},
      {"UtilisationFuseau", YesNoText(c.time_zone.useIndex)},
      {"ChangementAutoHeureEte", OnOffText(c.time_zone.autoSummerTime)},
      {"HeureEte", YesNoText(c.time_zone.summerTime)},
      {"GMT", GmtOffsetText(c.time_zone.gmtOffsetHours)},
      {"TexteFuseauHoraire", TimeZoneText(c.time_zone.index)},
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
