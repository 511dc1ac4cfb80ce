// The tag families built from the simulator's raw readings through the real station library,
// against values worked out by hand from the console's units and the tag rules.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "agent/catalogue/value_catalogue.h"
#include "platform/env.h"
#include "tests/agent/end_to_end/station_chain.h"

namespace agent::testing {
namespace {

using Expected = std::vector<std::pair<std::string, std::string>>;

// Every sensor present, in the console's units: tenths of °F, °F + 90 for the byte
// temperatures, thousandths of inHg, whole mph, rain in clicks of 0.01 in.
// clang-format off
const nlohmann::json kKnownReadings = {
    {"inside_temp", 725}, {"outside_temp", 800}, {"inside_hum", 45}, {"outside_hum", 40},
    {"wind_speed", 10}, {"wind_avg10", 8}, {"wind_avg2_tenths", 123}, {"wind_gust10", 17},
    {"wind_dir", 348}, {"barometer", 30120}, {"bar_trend", 20}, {"day_rain", 12},
    {"rain_rate", 30}, {"month_rain", 85}, {"storm_rain", 40}, {"year_rain", 321},
    {"rain_hour", 5}, {"rain_24h", 20}, {"uv", 57}, {"solar", 640}, {"altimeter", 29921},
    {"extra_temp1", 140}, {"extra_temp2", 149}, {"extra_temp3", 158}, {"extra_temp4", 131},
    {"extra_temp5", 122}, {"extra_temp6", 113}, {"extra_temp7", 104}, {"extra_hum1", 31},
    {"extra_hum2", 32}, {"extra_hum3", 33}, {"extra_hum4", 34}, {"extra_hum5", 35},
    {"extra_hum6", 36}, {"extra_hum7", 37}, {"soil_temp1", 140}, {"soil_temp2", 149},
    {"soil_temp3", 158}, {"soil_temp4", 167}, {"soil_moist1", 11}, {"soil_moist2", 12},
    {"soil_moist3", 13}, {"soil_moist4", 14}, {"leaf_temp1", 131}, {"leaf_temp2", 122},
    {"leaf_wet1", 3}, {"leaf_wet2", 7}, {"forecast_rule", 33}, {"forecast_icon", 8},
    {"sunrise", 632}, {"sunset", 1854}, {"day_et", 150}, {"month_et", 230}, {"year_et", 1520},
    {"console_battery", 804}, {"tx_battery", 5}, {"repeater_battery", 2}};
// clang-format on

// Each extreme of every quantity, in the console's units (see kKnownReadings): the stem of
// the simulator's name, how many numbered sensors carry it (0: one, not numbered), the value.
struct HighLowQuantity {
  const char* stem;
  int sensors;
  int value;
};
// clang-format off
constexpr HighLowQuantity kHighLowValues[] = {
    {"barometer", 0, 30000}, {"wind_speed", 0, 20}, {"inside_temp", 0, 700}, {"inside_hum", 0, 45},
    {"outside_temp", 0, 600}, {"dew_point", 0, 50}, {"wind_chill", 0, 40}, {"heat_index", 0, 70},
    {"thsw", 0, 75}, {"solar", 0, 500}, {"uv", 0, 40}, {"rain_rate", 0, 10},
    {"outside_hum", 0, 60}, {"extra_temp", 7, 150}, {"soil_temp", 4, 150}, {"leaf_temp", 4, 150},
    {"extra_hum", 7, 60}, {"soil_moist", 4, 30}, {"leaf_wet", 4, 5}};
// clang-format on

// Beaufort 3, the 10-minute wind of kKnownReadings (8 mph, 13 km/h).
constexpr const char* kBeaufortThreeSea =
    "Très petites vagues. Les crêtes commencent à déferler. Écume d'aspect vitreux. Parfois "
    "quelques moutons épars.";
constexpr const char* kBeaufortThreeLand =
    "Les drapeaux flottent bien. Les feuilles sont sans cesse en mouvement.";

// The day as the library dates the sun times: today on the computer's clock.
std::string Today() {
  platform::LocalTime now = platform::Env::Default().Now();
  char text[16];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", now.day, now.month, now.year);
  return text;
}

class TagsEndToEndTest : public StationChainTest {
 protected:
  void ExpectTags(const Expected& expected) {
    for (const auto& [tag, text] : expected) EXPECT_EQ(Tag(tag), text) << tag;
  }
  // The tags whose name starts with `prefix` and that hold a value (not the placeholder).
  std::vector<std::string> WrittenTags(std::string_view prefix) {
    std::vector<std::string> names;
    std::lock_guard<platform::EnvMutex> hold(context_->state.catalogue_lock);
    context_->state.catalogue.ForEach([&](const std::string& name, const std::string& text) {
      if (name.starts_with(prefix) && text != kPlaceholderText) names.push_back(name);
    });
    return names;
  }
  void SetHighLow(const std::string& quantity, const char* slot, int value) {
    sim_->Control({{"cmd", "set_hilow"}, {"quantity", quantity}, {"slot", slot}, {"value", value}});
  }
  // Every slot of every quantity, the day lows at 7:03 and the day highs at 14:05.
  void SetEveryHighLow() {
    for (const HighLowQuantity& quantity : kHighLowValues) {
      for (int n = quantity.sensors == 0 ? 0 : 1; n <= quantity.sensors; ++n) {
        const std::string name = quantity.stem + (n == 0 ? std::string() : std::to_string(n));
        for (const char* slot : {"day_low", "day_high", "month_low", "month_high", "year_low",
                                 "year_high", "hour_high"})
          SetHighLow(name, slot, quantity.value);
        SetHighLow(name, "day_low_time", 703);
        SetHighLow(name, "day_high_time", 1405);
      }
    }
    // The reply's soil moisture day-low times (372, 4 x 2 bytes) run into the month lows
    // (376): the last time keeps its high byte only when the last month low equals it.
    SetHighLow("soil_moist4", "month_low", 703 >> 8);
  }
  // A collection that succeeded has scheduled the service's next one.
  bool Collected(std::string_view service) { return services_.Find(service)->next_due_ms > 0; }
  // Runs the next collection of every declared service, `seconds` later on the fake clock.
  void CollectAfter(int seconds) {
    clock_.AdvanceMs(seconds * 1000);
    Collect();
  }
};

TEST_F(TagsEndToEndTest, CurrentDataTagsFollowTheRawReadings) {
  SetReadings(kKnownReadings);
  Start("[SERVICES]\nCurrentData=60\n");
  const std::string day_before = Today();
  Collect();
  const std::string day_after = Today();
  ASSERT_TRUE(Collected("CurrentData")) << Journal();

  // Rain: the library's 0.01 in clicks, x 20 while no collector is known (0.2 mm a click).
  // Winds: whole mph x 1.61. THSW: the library has no such identifier.
  ExpectTags({
      {"TempInt", "22.5"},
      {"TempExt", "26.7"},
      {"HumInt", "45"},
      {"HumExt", "40"},
      {"VitesseVent", "16.1"},
      {"VitesseVentMs", "4.44"},
      {"VitesseMoyenneVent2mins", "19.3"},  // 12.3 mph, kept whole by the library
      {"VitesseMoyenneVent10mins", "12.9"},
      {"IndiceBeaufort", "3"},
      {"TexteActiviteVent", "Petite brise."},
      {"DescriptionIndiceBeaufortMer", kBeaufortThreeSea},
      {"DescriptionIndiceBeaufortTerre", kBeaufortThreeLand},
      {"VitesseRafaleMoyenneVent10mins", "27.4"},
      {"SecteurVent", "NNW"},
      {"TexteSecteurVent", "Nord / Nord-Ouest"},
      {"DirectionVent", "348"},
      {"PressionAtmo", "1020.01"},
      {"TendancePressionAtmo", "En hausse"},
      {"TempRessentie", "26.7"},  // no wind chill above the air temperature
      {"IndiceChaleur", "26.1"},  // 79.0 °F at 80 °F and 40 %
      {"PointRose", "11.9"},      // 53.5 °F
      {"PluieDuJour", "2.4"},
      {"PluieMoyenne", "6.0"},
      {"PluieDuMois", "17.0"},
      {"PluieDeLaSaison", "8.0"},
      {"PluieTotal", "64.2"},
      {"PluieDernierreHeure", "1.0"},
      {"PluieDernierre24Heures", "4.0"},
      {"UVSolaire", "6"},
      {"RadiationSolaire", "640"},
      {"IndexTHW", "26.0"},  // 79.0 °F: 26.1 °C kept whole
      {"IndexTHSW", "---"},
      {"Altimetre", "91"},
      {"ExtraTemp_1", "10.0"},
      {"ExtraTemp_2", "15.0"},
      {"ExtraTemp_3", "20.0"},
      {"ExtraTemp_4", "5.0"},
      {"ExtraTemp_5", "0.0"},
      {"ExtraTemp_6", "-5.0"},
      {"ExtraTemp_7", "-10.0"},
      {"ExtraHum_1", "31"},
      {"ExtraHum_2", "32"},
      {"ExtraHum_3", "33"},
      {"ExtraHum_4", "34"},
      {"ExtraHum_5", "35"},
      {"ExtraHum_6", "36"},
      {"ExtraHum_7", "37"},
      {"TempSol_1", "10.0"},
      {"TempSol_2", "15.0"},
      {"TempSol_3", "20.0"},
      {"TempSol_4", "25.0"},
      {"HumSol_1", "11"},
      {"HumSol_2", "12"},
      {"HumSol_3", "13"},
      {"HumSol_4", "14"},
      {"TempFeuillage_1", "5.0"},
      {"TempFeuillage_2", "0.0"},
      {"HumFeuillage_1", "3"},
      {"HumFeuillage_2", "7"},
      // Rule 33: " Mostly clear and warmer. Increasing winds. "
      {"MessagePrevision", " Ciel plutôt dégagé et plus doux. Vent en augmentation."},
      {"IDIconeForeCast", "8"},
      // Evapotranspiration in mm: day 0.150 in, month and year with today's added.
      {"ETJour", "3.81"},
      {"ETMois", "62.23"},
      {"ETAnnee", "389.89"},
  });
  for (const auto& [tag, time] : {std::pair{"LeveeSoleil", "06h32"}, {"CoucheSoleil", "18h54"}}) {
    const std::string text = Tag(tag);
    EXPECT_TRUE(text == day_before + " " + time || text == day_after + " " + time)
        << tag << " " << text;
  }
}

TEST_F(TagsEndToEndTest, ThwOfTheSimulatorIsPublishedWhole) {
  // 71.6 °F with no wind: the heat index, hence the THW index, is about the air temperature.
  SetReadings({{"outside_temp", 716}, {"outside_hum", 67}, {"wind_speed", 0}});
  Start("[SERVICES]\nCurrentData=60\n");
  Collect();
  EXPECT_EQ(Tag("TempExt"), "22.0");
  EXPECT_EQ(Tag("IndexTHW"), "22.0");
  EXPECT_EQ(Tag("IndexTHSW"), "---");
  EXPECT_EQ(Tag("VitesseVent"), "0.0");
}

TEST_F(TagsEndToEndTest, ADashedReadingKeepsItsTag) {
  SetReadings(kKnownReadings);
  Start("[SERVICES]\nCurrentData=1\n");
  Collect();
  ASSERT_EQ(Tag("TempExt"), "26.7");
  ASSERT_EQ(Tag("IndiceBeaufort"), "3");

  // The outside sensor and the 10-minute wind go dashed; the wind itself still changes.
  SetReadings({{"outside_temp", nullptr}, {"wind_avg10", nullptr}, {"wind_speed", 20}});
  CollectAfter(2);
  ExpectTags({
      {"TempExt", "26.7"},
      {"VitesseMoyenneVent10mins", "12.9"},
      {"IndiceBeaufort", "3"},
      {"TexteActiviteVent", "Petite brise."},
      {"DescriptionIndiceBeaufortMer", kBeaufortThreeSea},
      {"DescriptionIndiceBeaufortTerre", kBeaufortThreeLand},
      {"TempRessentie", "26.7"},
      {"VitesseVent", "32.2"},
  });
}

TEST_F(TagsEndToEndTest, ForecastGroupIsReadAtMostEveryTenMinutes) {
  SetReadings(kKnownReadings);
  Start("[SERVICES]\nCurrentData=1\n[CURRENTDATA]\nForeCast=600\n");
  Collect();
  ASSERT_EQ(Tag("IDIconeForeCast"), "8");

  SetReadings({{"forecast_icon", 6}, {"wind_speed", 20}});
  CollectAfter(300);
  EXPECT_EQ(Tag("IDIconeForeCast"), "8");
  EXPECT_EQ(Tag("VitesseVent"), "32.2");
  CollectAfter(301);
  EXPECT_EQ(Tag("IDIconeForeCast"), "6");
}

TEST_F(TagsEndToEndTest, HighsLowsWithEveryFieldSetWriteEveryReadTag) {
  SetEveryHighLow();
  SetHighLow("outside_temp", "day_high", 842);
  SetHighLow("barometer", "month_high", 30120);
  SetHighLow("wind_speed", "year_high", 48);
  SetHighLow("leaf_temp1", "day_low", 130);
  SetHighLow("outside_hum", "day_high", 97);
  Start("[SERVICES]\nHiLow=60\n");
  Collect();
  ASSERT_TRUE(Collected("HiLow")) << Journal();

  const std::vector<std::string> written = WrittenTags("HiLow_");
  EXPECT_EQ(written.size(), 284u);
  std::size_t dates = 0;
  for (const std::string& name : written) {
    if (!name.ends_with("_Date")) continue;
    ++dates;
    EXPECT_TRUE(name.starts_with("HiLow_Day_")) << name;
    const std::string time = Tag(name);
    EXPECT_TRUE(time == "07h03" || time == "14h05") << name << " " << time;
  }
  EXPECT_EQ(dates, 71u);

  // The extremes the console is never asked for keep the start-up placeholder.
  std::size_t never_read = 0;
  for (const char* period : {"Day_", "Month_", "Year_"}) {
    std::vector<std::string> names = {std::string("TempRess_VH")};
    for (const char* quantity :
         {"UV", "Pluie", "SolarRad", "VitesseVent", "IndiceTHSW", "IndChaleur"})
      names.push_back(std::string(quantity) + "_VB");
    for (const std::string& name : names) {
      const std::string tag = "HiLow_" + std::string(period) + name;
      EXPECT_EQ(Tag(tag), "---") << tag;
      ++never_read;
      if (std::string(period) == "Day_") {
        EXPECT_EQ(Tag(tag + "_Date"), "---") << tag;
        ++never_read;
      }
    }
  }
  EXPECT_EQ(never_read, 28u);

  ExpectTags({
      {"HiLow_Day_TempExt_VH", "29.0"},
      {"HiLow_Day_TempExt_VH_Date", "14h05"},
      {"HiLow_Day_TempExt_VB", "15.6"},
      {"HiLow_Day_TempExt_VB_Date", "07h03"},
      {"HiLow_Month_Bar_VH", "1020.01"},
      {"HiLow_Month_Bar_VB", "1015.95"},
      {"HiLow_Year_VitesseVent_VH", "77.3"},
      {"HiLow_Day_TempFeuille1_VB", "4.4"},
      {"HiLow_Day_TempFeuille2_VB", "15.6"},
      {"HiLow_Day_HumExt_VH", "97"},
      {"HiLow_Year_Hum3_VH", "60"},
      {"HiLow_Month_HumSol4_VB", "2"},
      {"HiLow_Year_HumSol4_VB", "30"},
      {"HiLow_Day_HumFeuille2_VH", "5"},
      {"HiLow_Year_Temp8_VB", "15.6"},
      {"HiLow_Day_Pluie_VH", "2.0"},  // 10 clicks an hour of 0.2 mm
      {"HiLow_Day_UV_VH", "4"},
      {"HiLow_Day_SolarRad_VH", "500"},
      {"HiLow_Day_PointRose_VB", "10.0"},
      {"HiLow_Year_TempRess_VB", "4.4"},
      {"HiLow_Month_IndChaleur_VH", "21.1"},
      {"HiLow_Day_IndiceTHSW_VH", "23.9"},
  });
}

class StationConfigurationEndToEndTest : public TagsEndToEndTest {
 protected:
  void SetUp() override {
    TagsEndToEndTest::SetUp();
    SetReadings(kKnownReadings);
    WriteMemory(17, {21, 0, 0, 100, 0, 0});  // zone 21, summer time automatic and on, +1 h
    WriteMemory(24, {0, 0x80, 0x00});        // no own transmitter; 1: the ISS through repeater A
    WriteMemory(43, {0x00});                 // 0.01 in collector
    WriteMemory(45, {10});                   // archive every 10 minutes
    Start("[SERVICES]\nCurrentData=1\nConfigStation=1\n");
  }
};

TEST_F(StationConfigurationEndToEndTest, WritesItsThirtyFiveTagsOnEveryRun) {
  Collect();
  ASSERT_TRUE(Collected("ConfigStation")) << Journal();
  const Expected first_run = {
      {"VoltageBatterieConsole", "4.71"},
      {"StatusTransmetteur", "5"},  // the bit masks: transmitters 1 and 3, repeater B
      {"StatusRepeteur", "2"},
      {"PaquetsTotalRecus", "21629"},
      {"PaquetsTotalPerdu", "15"},
      {"NombreResynchro", "0"},
      {"ErreursCRC", "128"},
      {"DateFirmware", "22/04/2009 00h00"},
      {"VersionFirmware", "3.00"},
      {"Latitude", "45.30° Nord 18' 0\""},
      {"Longitude", "4.80° Est 48' 0\""},
      {"TypeEolienne", "Large"},
      {"TypeStation", "OrbiskPro / OrbiskPro2 / Tessor / Tessor2"},
      {"TypeCollecteurDePluie", "ENGLISH 100 (100ème de pouce)"},
      {"IntervalleArchivageDonnees", "10"},
      {"TypeArchivageDonnees", "Moyenne"},
      {"UtilisationFuseau", "Oui"},
      {"ChangementAutoHeureEte", "Activé"},
      {"HeureEte", "Oui"},
      {"GMT", "1"},
      {"TexteFuseauHoraire", "Paris, Madrid, Brussels, Copenhagen, W Central Africa. (+01:00)"},
      {"TransmetteurType_1", "Station ISS"},
      {"TransmetteurType_2", "Station d'humidité / température"},
      {"TransmetteurType_3", "Transmetteur humidité / température du sol"},
      {"TransmetteurType_4", "Pas de transmetteur"},
      {"TransmetteurType_5", "Pas de transmetteur"},
      {"TransmetteurType_6", "Pas de transmetteur"},
      {"TransmetteurType_7", "Pas de transmetteur"},
      {"TransmetteurID_1", "1"},
      {"TransmetteurID_2", "0"},
      {"TransmetteurID_3", "0"},
      {"TransmetteurID_4", "0"},  // pairs that are off (0xFF) have no repeater
      {"TransmetteurID_5", "0"},
      {"TransmetteurID_6", "0"},
      {"TransmetteurID_7", "0"},
  };
  ASSERT_EQ(first_run.size(), 35u);
  ExpectTags(first_run);
  // The journal line of the collection is the voltage rounded, alone.
  EXPECT_NE(Journal().find(" :5\r\n"), std::string::npos) << Journal();

  // A second run writes every tag again from the new configuration.
  sim_->Control({{"cmd", "firmware"}, {"model", 17}});
  WriteMemory(17, {47, 1, 1, 0xA2, 0xFE, 1});  // zone 47, summer time off, -3.5 h by hand
  WriteMemory(43, {0x20});                     // 0.1 mm collector
  WriteMemory(4092, {0xFF});                   // archive of instant values
  CollectAfter(2);
  ExpectTags({
      {"TypeStation", "OrbiskMira"},
      {"TexteFuseauHoraire", ""},
      {"UtilisationFuseau", "Non"},
      {"ChangementAutoHeureEte", "Désactivé"},
      {"HeureEte", "Non"},
      {"GMT", "-3.50"},
      {"TypeCollecteurDePluie", "METRIC 10 (10ème de millimètre)"},
      {"TypeArchivageDonnees", "Ponctuel"},
      {"VoltageBatterieConsole", "4.71"},
      {"TransmetteurType_1", "Station ISS"},
  });
  // The rain now follows the 0.1 mm collector the configuration reported: 12 clicks.
  sim_->Control({{"cmd", "firmware"}, {"model", 3}});
  CollectAfter(2);
  EXPECT_EQ(Tag("PluieDuJour"), "1.2");
  EXPECT_EQ(Tag("TypeStation"), "---");
}

TEST_F(TagsEndToEndTest, OneBuildOfEachServiceFillsTheWholeCatalogue) {
  SetReadings(kKnownReadings);
  SetEveryHighLow();
  Start("[SERVICES]\nCurrentData=60\nHiLow=60\nConfigStation=60\nCalibration=60\n");
  {
    // The user data and the application titles, as start-up writes them.
    std::lock_guard<platform::EnvMutex> hold(context_->state.catalogue_lock);
    for (const char* tag : {"TitreApplicationGlobal", "TitreApplication", "VersionApplication"})
      SetTag(context_->state.catalogue, tag, "x");
    SetTag(context_->state.catalogue, "NomStation", "Balcon");
  }
  Collect();
  for (const char* service : {"CurrentData", "HiLow", "ConfigStation", "Calibration"})
    EXPECT_TRUE(Collected(service)) << service << "\n" << Journal();
  std::lock_guard<platform::EnvMutex> hold(context_->state.catalogue_lock);
  EXPECT_EQ(context_->state.catalogue.Count(), 433u + 1u);
}

}  // namespace
}  // namespace agent::testing
