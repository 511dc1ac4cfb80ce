#include "agent/images/carried_image_table.h"

#include <array>

namespace agent::images {

namespace {

using enum CarriedImage;

constexpr std::array<CarriedImageInfo, kCarriedImageCount> kTable{{
    {kConnectionOk, "ICO_EtatConnexionOK", 32, 32},
    {kConnectionActivity, "ICO_EtatConnexionActivite", 32, 32},
    {kConnectionFailed, "ICO_EtatConnexionNOK", 32, 32},
    {kRain, "ICO_Pluie", 32, 32},
    {kNoRain, "ICO_PasDePluie", 32, 32},
    {kSevereCold, "ICO_GrandFroid", 48, 48},
    {kNoSevereCold, "ICO_PasGrandFroid", 48, 48},
    {kTrendRising, "ICO_Tendance_Hausse", 16, 16},
    {kTrendFalling, "ICO_Tendance_Baisse", 16, 16},
    {kTrendSteady, "ICO_Tendance_Stable", 16, 16},
    {kTrendRisingRapidly, "ICO_Tendance_HausseRapide", 16, 16},
    {kTrendFallingRapidly, "ICO_Tendance_BaisseRapide", 16, 16},
    {kTrendUnknown, "ICO_Tendance_Inconnue", 16, 16},
    {kForecastSun, "ICO_ForeCast_Soleil", 128, 128},
    {kForecastRain, "ICO_ForeCast_Pluie", 128, 128},
    {kForecastStorm, "ICO_ForeCast_Orage", 128, 128},
    {kForecastSnow, "ICO_ForeCast_Neige", 128, 128},
    {kForecastCloud, "ICO_ForeCast_Nuage", 128, 128},
    {kForecastSunCloud, "ICO_ForeCast_SoleilNuage", 128, 128},
    {kForecastSunCloudSnow, "ICO_ForeCast_SoleilNuage_Neige", 128, 128},
    {kForecastSunCloudRain, "ICO_ForeCast_SoleilNuage_Pluie", 128, 128},
    {kForecastSunCloudRainSnow, "ICO_ForeCast_SoleilNuage_Pluie_Neige", 128, 128},
    {kForecastRainSnow, "ICO_ForeCast_Pluie_Neige", 128, 128},
    {kWindRoseBackground, "ICO_RoseDesVents", 200, 200},
    {kAlert, "ICO_Alerte", 32, 32},
    {kNoAlert, "ICO_PasAlerte", 32, 32},
}};

}  // namespace

std::span<const CarriedImageInfo> CarriedImageTable() {
  return kTable;
}

const CarriedImageInfo& InfoOf(CarriedImage image) {
  return kTable[static_cast<std::size_t>(image)];
}

}  // namespace agent::images
