#include "agent/catalogue/initial_tags.h"

#include <mutex>
#include <string>

#include "agent/catalogue/value_catalogue.h"

namespace agent {
namespace {

constexpr const char* kCurrentDataTags[] = {"TempInt",
                                            "TempExt",
                                            "HumInt",
                                            "HumExt",
                                            "VitesseVent",
                                            "VitesseVentMs",
                                            "VitesseMoyenneVent2mins",
                                            "VitesseMoyenneVent10mins",
                                            "VitesseRafaleMoyenneVent10mins",
                                            "IndiceBeaufort",
                                            "TexteActiviteVent",
                                            "DescriptionIndiceBeaufortMer",
                                            "DescriptionIndiceBeaufortTerre",
                                            "SecteurVent",
                                            "TexteSecteurVent",
                                            "DirectionVent",
                                            "PressionAtmo",
                                            "TendancePressionAtmo",
                                            "TempRessentie",
                                            "IndiceChaleur",
                                            "PointRose",
                                            "PluieDuJour",
                                            "PluieMoyenne",
                                            "PluieDuMois",
                                            "PluieDeLaSaison",
                                            "PluieTotal",
                                            "PluieDernierreHeure",
                                            "PluieDernierre24Heures",
                                            "UVSolaire",
                                            "RadiationSolaire",
                                            "IndexTHW",
                                            "IndexTHSW",
                                            "Altimetre"};
// Numbered current-data sensors: name prefix and count (ExtraTemp_1 ... ExtraTemp_7).
constexpr std::pair<const char*, int> kNumberedCurrentDataTags[] = {
    {"ExtraTemp_", 7}, {"ExtraHum_", 7}, {"TempFeuillage_", 4}, {"HumFeuillage_", 4}};
constexpr const char* kForecastAndSunTags[] = {"MessagePrevision", "IDIconeForeCast", "LeveeSoleil",
                                               "CoucheSoleil",     "IndiceUV",        "ETJour",
                                               "ETMois",           "ETAnnee"};
constexpr const char* kStationTimeTags[] = {"TempStation_Heure", "TempStation_Minute",
                                            "TempStation_Jour",  "TempStation_Mois",
                                            "TempStation_Annee", "TempStation"};
constexpr const char* kConfigurationTags[] = {"VoltageBatterieConsole",
                                              "StatusTransmetteur",
                                              "StatusRepeteur",
                                              "PaquetsTotalRecus",
                                              "PaquetsTotalPerdu",
                                              "NombreResynchro",
                                              "ErreursCRC",
                                              "DateFirmware",
                                              "VersionFirmware",
                                              "Latitude",
                                              "Longitude",
                                              "TypeEolienne",
                                              "TypeStation",
                                              "TypeCollecteurDePluie",
                                              "IntervalleArchivageDonnees",
                                              "TypeArchivageDonnees",
                                              "UtilisationFuseau",
                                              "ChangementAutoHeureEte",
                                              "HeureEte",
                                              "GMT",
                                              "TexteFuseauHoraire"};
constexpr std::pair<const char*, int> kNumberedConfigurationTags[] = {{"TransmetteurType_", 7},
                                                                      {"TransmetteurID_", 7}};
constexpr const char* kBatteryTags[] = {"VoltageBatterieTransmetteur", "VoltageBatterieRepeteur"};
constexpr const char* kHighLowQuantities[] = {
    "TempInt",  "TempExt",  "HumInt", "HumExt", "PointRose", "IndChaleur", "IndiceTHSW",
    "TempRess", "SolarRad", "UV",     "Pluie",  "Bar",       "VitesseVent"};
// The eight high/low tags of one quantity Q: HiLow_ + form with Q in place of "%".
constexpr const char* kHighLowForms[] = {"Day_%_VH",      "Day_%_VH_Date", "Day_%_VB",
                                         "Day_%_VB_Date", "Month_%_VH",    "Month_%_VB",
                                         "Year_%_VH",     "Year_%_VB"};
constexpr const char* kLeafWetnessHighLowTags[] = {
    "HiLow_Day_HumFeuille1_VH", "HiLow_Day_HumFeuille1_VH_Date", "HiLow_Day_HumFeuille2_VH",
    "HiLow_Day_HumFeuille2_VH_Date"};
constexpr const char* kCollectionTimingTags[] = {"HeureProchaineCollecte", "TempCollecteActuel"};

std::vector<std::string> BuildPlaceholderTags() {
  std::vector<std::string> names;
  auto add_all = [&names](const auto& list) {
    for (const char* name : list) names.emplace_back(name);
  };
  auto add_numbered = [&names](const auto& list) {
    for (const auto& [prefix, count] : list)
      for (int n = 1; n <= count; ++n) names.push_back(prefix + std::to_string(n));
  };
  add_all(kCurrentDataTags);
  add_numbered(kNumberedCurrentDataTags);
  add_all(kForecastAndSunTags);
  add_all(kStationTimeTags);
  add_all(kConfigurationTags);
  add_numbered(kNumberedConfigurationTags);
  add_all(kBatteryTags);
  for (std::string_view quantity : kHighLowQuantities) {
    for (std::string form : kHighLowForms) {
      form.replace(form.find('%'), 1, quantity);
      names.push_back("HiLow_" + form);
    }
  }
  add_all(kLeafWetnessHighLowTags);
  add_all(kCollectionTimingTags);
  return names;
}

}  // namespace

const std::vector<std::string_view>& InitialPlaceholderTags() {
  static const std::vector<std::string> kNames = BuildPlaceholderTags();
  static const std::vector<std::string_view> kViews(kNames.begin(), kNames.end());
  return kViews;
}

void InitialiseTags(AgentContext& context, std::span<const ImageHook> image_hooks) {
  for (const ImageHook& hook : image_hooks) hook();
  AgentState& state = context.state;
  {
    std::lock_guard<platform::EnvMutex> lock(state.catalogue_lock);
    for (std::string_view name : InitialPlaceholderTags())
      SetTag(state.catalogue, name, kPlaceholderText);
    SetTag(state.catalogue, "TempProchaineCollecte", "2");
    SetTag(state.catalogue, "Alertes", "Aucune alerte en cours.");
  }
  state.templates_due.Set();
}

}  // namespace agent
