// The current-data collection and builder over the fake station.
#include "agent/families/current_data.h"

#include <gtest/gtest.h>

#include "tests/agent/families/family_fixture.h"

namespace agent {
namespace {

class CurrentDataTest : public FamilyFixture {
 protected:
  void KnownReadings() {
    auto& s = station();
    s.floats = {{"_GetInsideTemp_O@0", 68.0f}, {"_GetOutsideTemp_O@0", 84.2f},
                {"_GetBarometer_O@0", 30.12f}, {"_GetWindChill_O@0", 50.0f},
                {"_GetDewPt_O@0", 41.0f},      {"_GetDailyRain_O@0", 0.12f},
                {"_GetMonthlyRain_O@0", 1.5f}, {"_GetStormRain_O@0", 0.5f},
                {"_GetTotalRain_O@0", 10.0f},  {"_GetRainRate_O@0", 0.04f},
                {"_GetWindSpeed_O@0", 10.4f}};
    s.numbers = {
        {"_GetInsideHumidity_O@0", 45}, {"_GetOutsideHumidity_O@0", 97}, {"_GetWindDir_O@0", 348}};
    s.by_id = {
        {0x19020080, 9.6f},      {0x01020080, 12.0f},  {0x1A020080, 20.0f},    {0x00056C40, 0.02f},
        {0x00057040, 0.3f},      {0x00070140, 512.4f}, {0x00080180, 4.6f},     {0x00000004, 71.6f},
        {0x00000005, -32705.0f}, {0x00000003, 86.0f},  {0x020400E0, 29921.0f}, {0x0000244D, 0.11f},
        {0x02000000, 32.0f},     {0x020101C0, 55.0f},  {0x090901E0, 12.6f},    {0x09000000, 50.0f},
        {0x0F0A0200, 7.4f},      {0x0F000000, 41.0f},  {0x0D0C0220, 8.0f}};
    s.text_by_id = {{0x000300C0, "NNW"},
                    {0x000402A0, "Falling Rapidly"},
                    {0x0C0C0220, " Mostly clear and cooler. Precipitation likely. "}};
  }
  void CollectAndBuild(const CurrentDataImages& images = {}) {
    ASSERT_EQ(AcquireCurrentData(*context_, library_, slots_), 1);
    PublishCurrentData(*context_, slots_, images);
  }
};

TEST_F(CurrentDataTest, KnownReadingsGiveTheirTags) {
  KnownReadings();
  Write("langue.pack", "[PREV_METEO]\n1=Clair et plus frais.\n18=Pluie probable.\n");
  int rose = -1;
  std::string trend;
  CurrentDataImages images;
  images.wind_rose = [&rose](int degrees) { rose = degrees; };
  images.trend_icon = [&trend](const std::string& text) { trend = text; };
  CollectAndBuild(images);
  const std::pair<const char*, const char*> expected[] = {
      {"TempInt", "20.0"},
      {"TempExt", "29.0"},
      {"HumInt", "45"},
      {"HumExt", "97"},
      {"VitesseVent", "16.1"},
      {"VitesseVentMs", "4.44"},
      {"VitesseMoyenneVent2mins", "16.1"},
      {"VitesseMoyenneVent10mins", "19.3"},
      {"IndiceBeaufort", "3"},
      {"TexteActiviteVent", "Petite brise."},
      {"VitesseRafaleMoyenneVent10mins", "32.2"},
      {"SecteurVent", "NNW"},
      {"TexteSecteurVent", "Nord / Nord-Ouest"},
      {"DirectionVent", "348"},
      {"PressionAtmo", "1020.01"},
      {"TendancePressionAtmo", "Baisse rapide"},
      {"TempRessentie", "10.0"},
      {"IndiceChaleur", "30.0"},
      {"PointRose", "5.0"},
      {"PluieDuJour", "2.4"},
      {"PluieMoyenne", "0.8"},
      {"PluieDuMois", "30.0"},
      {"PluieDeLaSaison", "10.0"},
      {"PluieTotal", "200.0"},
      {"PluieDernierreHeure", "0.4"},
      {"PluieDernierre24Heures", "6.0"},
      {"UVSolaire", "5"},
      {"RadiationSolaire", "512"},
      {"IndexTHW", "22.0"},
      {"IndexTHSW", "---"},
      {"Altimetre", "91"},
      {"ExtraTemp_1", "0.0"},
      {"ExtraTemp_2", "---"},
      {"ExtraHum_1", "55"},
      {"HumSol_1", "13"},
      {"TempSol_1", "10.0"},
      {"TempFeuillage_1", "5.0"},
      {"HumFeuillage_1", "7"},
      {"TempFeuillage_3", "---"},
      {"MessagePrevision", " Clair et plus frais. Pluie probable."},
      {"IDIconeForeCast", "8"},
      {"LeveeSoleil", "05/03/2010 07h12"},
      {"CoucheSoleil", "05/03/2010 18h45"},
      {"ETJour", "2.79"},
      {"ETMois", "---"},
  };
  for (const auto& [tag, text] : expected) EXPECT_EQ(Tag(tag), text) << tag;
  EXPECT_EQ(rose, 348);
  EXPECT_EQ(trend, "Falling Rapidly");
}

TEST_F(CurrentDataTest, DashedReadingsLeaveTheirTags) {
  KnownReadings();
  CollectAndBuild();
  station().floats.erase("_GetOutsideTemp_O@0");
  station().by_id[0x01020080] = -32768.0f;
  station().floats["_GetWindSpeed_O@0"] = 30.0f;
  CollectAndBuild();
  EXPECT_EQ(Tag("TempExt"), "29.0");
  EXPECT_EQ(Tag("VitesseMoyenneVent10mins"), "19.3");
  EXPECT_EQ(Tag("IndiceBeaufort"), "3");
  EXPECT_EQ(Tag("TexteActiviteVent"), "Petite brise.");
  EXPECT_EQ(Tag("VitesseVent"), "48.3");
}

TEST_F(CurrentDataTest, GroupsFollowTheirIntervalsOnTheClock) {
  KnownReadings();
  Configure("[CURRENTDATA]\nForeCast=600\nTempHumBar=0\nSunSetSunRise=3600\n");
  for (int call = 0; call < 12; ++call) {
    ASSERT_EQ(AcquireCurrentData(*context_, library_, slots_), 1);
    clock_.AdvanceMs(100 * 1000);
  }
  // Calls at 0, 100, ... 1100 s: the forecast at 0, 600; the wind every call.
  EXPECT_EQ(station().CallCount("_GetWindSpeed_O@0"), 12);
  EXPECT_EQ(station().CallCount("_GetInsideTemp_O@0"), 12);
  EXPECT_EQ(station().CallCount("_GetSunriseTime_O@4"), 1);
  // Every call reads the sector and the trend; the forecast text twice in all.
  EXPECT_EQ(station().CallCount("_GetCurrentDataStrByID_O@12"), 12 * 2 + 2);
}

TEST_F(CurrentDataTest, AFailedLoadChangesNothingAndDashedSunTimesShowPlaceholders) {
  KnownReadings();
  station().load_result = -32701;
  EXPECT_EQ(AcquireCurrentData(*context_, library_, slots_), 0);
  EXPECT_EQ(station().Calls().size(), 1u);
  station().load_result = 0;
  station().sun_times_dashed = true;
  EXPECT_NE(AcquireCurrentData(*context_, library_, slots_), 1);
  PublishCurrentData(*context_, slots_, {});
  EXPECT_EQ(Tag("LeveeSoleil"), "---");
  EXPECT_EQ(Tag("CoucheSoleil"), "---");
}

}  // namespace
}  // namespace agent
