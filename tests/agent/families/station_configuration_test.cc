// The station configuration collection and builder over the fake station.
#include "agent/families/station_configuration.h"

#include <gtest/gtest.h>

#include "agent/families/rain_scale.h"
#include "tests/agent/families/family_fixture.h"

namespace agent {
namespace {

class StationConfigurationTest : public FamilyFixture {
 protected:
  void Console() {
    auto& s = station();
    s.text_by_id = {{0x090C0220, "4.71"}};
    s.by_id = {{0x0A0C0220, 5.0f}, {0x0B0C0220, 0.0f}};
    s.numbers = {{"_GetWindCupSize_O@0", 1},
                 {"_GetModelNo_O@0", 16},
                 {"_GetArchivePeriod_O@0", 30},
                 {"_GetTempAvg_O@0", 2},
                 {"_GetRainCollectorModelOnStation_O@0", 6}};
    s.time_zone = {0, 21, 5.5f, 1, 2};
    s.reception[0] = 1200;
    s.reception[1] = 3;
    s.reception[2] = 1;
    s.reception[3] = 900;
    s.reception[4] = 7;
    s.latitude.degrees = 45.5f;
    s.latitude.wholeDegrees = 45;
    s.latitude.minutes = 30;
    s.longitude.degrees = -0.25f;
    s.longitude.minutes = 15;
    s.transmitters[0] = 1;
    s.transmitters[8] = 1;
  }
};

TEST_F(StationConfigurationTest, ConsoleGivesItsThirtyFiveTags) {
  Console();
  ASSERT_EQ(AcquireStationConfiguration(*context_, library_, slots_), 1);
  context_->state.catalogue.Clear();
  PublishStationConfiguration(*context_, slots_);
  EXPECT_EQ(context_->state.catalogue.Count(), 35u);
  const std::pair<const char*, const char*> expected[] = {
      {"VoltageBatterieConsole", "4.71"},
      {"StatusTransmetteur", "5"},
      {"StatusRepeteur", "0"},
      {"PaquetsTotalRecus", "1200"},
      {"PaquetsTotalPerdu", "3"},
      {"NombreResynchro", "1"},
      {"ErreursCRC", "7"},
      {"DateFirmware", "22/04/2009 00h00"},
      {"VersionFirmware", "1.90"},
      {"Latitude", "45.50° Nord 30' 0\""},
      {"Longitude", "0.25° Ouest 15' 0\""},
      {"TypeEolienne", "Petite"},
      {"TypeStation", "OrbiskPro / OrbiskPro2 / Tessor / Tessor2"},
      {"TypeCollecteurDePluie", "METRIC 10 (10ème de millimètre)"},
      {"IntervalleArchivageDonnees", "30"},
      {"TypeArchivageDonnees", "Moyenne"},
      {"UtilisationFuseau", "Non"},
      {"ChangementAutoHeureEte", "Activé"},
      {"HeureEte", "2"},
      {"GMT", "5.50"},
      {"TexteFuseauHoraire", "Paris, Madrid, Brussels, Copenhagen, W Central Africa. (+01:00)"},
      {"TransmetteurType_1", "Station ISS"},
      {"TransmetteurID_1", "1"},
      {"TransmetteurType_2", "Pas de transmetteur"},
      {"TransmetteurID_7", "0"},
  };
  for (const auto& [tag, text] : expected) EXPECT_EQ(Tag(tag), text) << tag;
}

TEST_F(StationConfigurationTest, CodesOutsideTheTablesAndAFailedRecord) {
  Console();
  station().numbers["_GetModelNo_O@0"] = 3;
  station().numbers["_GetTempAvg_O@0"] = 0;
  station().numbers["_GetArchivePeriod_O@0"] = -32701;
  station().time_zone.index = 47;
  station().time_zone.gmtOffsetHours = -3.0f;
  station().record_result = -32701;
  EXPECT_EQ(AcquireStationConfiguration(*context_, library_, slots_), 0);
  PublishStationConfiguration(*context_, slots_);
  EXPECT_EQ(Tag("TypeStation"), "---");
  EXPECT_EQ(Tag("TypeArchivageDonnees"), "0");
  EXPECT_EQ(Tag("IntervalleArchivageDonnees"), "-32701");
  EXPECT_EQ(Tag("TexteFuseauHoraire"), "");
  EXPECT_EQ(Tag("GMT"), "-3");
}

TEST(RainScaleTest, FactorFollowsTheCollector) {
  EXPECT_FLOAT_EQ(ScaleRain(1.0f, 1), 25.4f);
  EXPECT_FLOAT_EQ(ScaleRain(1.0f, 2), 20.0f);
  EXPECT_FLOAT_EQ(ScaleRain(1.0f, 6), 10.0f);
  EXPECT_FLOAT_EQ(ScaleRain(1.0f, -1), 20.0f);
  EXPECT_FLOAT_EQ(ScaleRain(-32768.0f, 1), -32768.0f);
}

}  // namespace
}  // namespace agent
