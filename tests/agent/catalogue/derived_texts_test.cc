// Beaufort, wind sector, trend, position and configuration-code texts.
#include <gtest/gtest.h>

#include "agent/catalogue/beaufort.h"
#include "agent/catalogue/position_text.h"
#include "agent/catalogue/station_code_texts.h"
#include "agent/catalogue/wind_and_trend_texts.h"

namespace agent {
namespace {

TEST(BeaufortTest, IndexFollowsTheScaleBoundaries) {
  const std::pair<int, int> cases[] = {
      {0, 0},  {-3, 0}, {1, 1},   {5, 1},    {6, 2},    {11, 2},   {12, 3},   {19, 3},  {20, 4},
      {28, 4}, {29, 5}, {38, 5},  {39, 6},   {49, 6},   {50, 7},   {61, 7},   {62, 8},  {74, 8},
      {75, 9}, {88, 9}, {89, 10}, {102, 10}, {103, 11}, {117, 11}, {118, 12}, {200, 12}};
  for (auto [kmh, b] : cases) EXPECT_EQ(BeaufortIndex(kmh), b) << kmh << " km/h";
}

TEST(BeaufortTest, TablesCoverZeroToTwelveOnly) {
  for (int b = 0; b <= 12; ++b) {
    EXPECT_NE(BeaufortActivityText(b), "---");
    EXPECT_NE(BeaufortSeaText(b), "---");
    EXPECT_NE(BeaufortLandText(b), "---");
    EXPECT_EQ(BeaufortSeaText(b).find('\t'), std::string::npos) << b;
  }
  for (int b : {13, -1}) {
    EXPECT_EQ(BeaufortActivityText(b), "---");
    EXPECT_EQ(BeaufortSeaText(b), "---");
    EXPECT_EQ(BeaufortLandText(b), "---");
  }
  EXPECT_EQ(BeaufortActivityText(0), "Calme.");
  EXPECT_EQ(BeaufortActivityText(12), "Ouragan.");
}

TEST(BeaufortTest, StormRowsDescribeTheSeaAtSeaAndDamageOnLand) {
  EXPECT_EQ(BeaufortSeaText(12).rfind("L'air est plein d'écume", 0), 0u);
  EXPECT_EQ(BeaufortSeaText(11).rfind("Lames exceptionnellement hautes", 0), 0u);
  EXPECT_EQ(BeaufortLandText(11), "Très gros dégâts.");
  EXPECT_EQ(BeaufortLandText(12), "Dégâts très importants.");
  EXPECT_NE(BeaufortLandText(9), BeaufortSeaText(9));
  EXPECT_NE(BeaufortSeaText(10), BeaufortSeaText(7));
}

TEST(WindAndTrendTextTest, SectorsAreExactAndTrendsIgnoreCase) {
  EXPECT_EQ(WindSectorName("NNW"), "Nord / Nord-Ouest");
  EXPECT_EQ(WindSectorName("WSW"), "Ouest / Sud-Ouest");
  EXPECT_EQ(WindSectorName("ne"), "---");
  EXPECT_EQ(WindSectorName("---"), "---");
  EXPECT_EQ(WindSectorName(""), "---");
  EXPECT_EQ(PressureTrendText("Falling Rapidly"), "Baisse rapide");
  EXPECT_EQ(PressureTrendText("steady"), "Stable");
  EXPECT_EQ(PressureTrendText("---"), "---");
  EXPECT_EQ(PressureTrendText("Unknown"), "UNKNOWN");
}

OrbiskPosition Position(float degrees, int whole, int minutes, int seconds) {
  OrbiskPosition record{};
  record.degrees = degrees;
  record.negative = degrees < 0;
  record.wholeDegrees = static_cast<std::int16_t>(whole);
  record.minutes = static_cast<std::int16_t>(minutes);
  record.seconds = static_cast<std::int16_t>(seconds);
  return record;
}

TEST(PositionTextTest, HemisphereFollowsTheSign) {
  EXPECT_EQ(LatitudeText(Position(45.5f, 45, 30, 0)), "45.50° Nord 30' 0\"");
  EXPECT_EQ(LatitudeText(Position(-12.25f, 12, 15, 0)), "12.25° Sud 15' 0\"");
  EXPECT_EQ(LongitudeText(Position(-0.3f, 0, 18, 0)), "0.30° Ouest 18' 0\"");
  EXPECT_EQ(LongitudeText(Position(0.3f, 0, 18, 0)), "0.30° Est 18' 0\"");
  EXPECT_EQ(LatitudeText(Position(0.0f, 0, 0, 0)), "0.00°  0' 0\"");
}

TEST(StationCodeTextTest, CodesAndTheirFallbacks) {
  EXPECT_EQ(WindCupText(1), "Petite");
  EXPECT_EQ(WindCupText(2), "Large");
  EXPECT_EQ(WindCupText(3), "Autre");
  EXPECT_EQ(WindCupText(0), "---");
  EXPECT_EQ(StationModelText(16), "OrbiskPro / OrbiskPro2 / Tessor / Tessor2");
  EXPECT_EQ(StationModelText(17), "OrbiskMira");
  EXPECT_EQ(StationModelText(3), "---");
  EXPECT_EQ(RainCollectorText(6), "METRIC 10 (10ème de millimètre)");
  EXPECT_EQ(RainCollectorText(7), "");
  EXPECT_EQ(ArchiveTypeText(2), "Moyenne");
  EXPECT_EQ(ArchiveTypeText(0), "0");
  EXPECT_EQ(YesNoText(2), "2");
  EXPECT_EQ(YesNoText(0), "Non");
  EXPECT_EQ(OnOffText(1), "Activé");
  EXPECT_EQ(OnOffText(-1), "-1");
  EXPECT_EQ(TransmitterTypeText(1), "Station ISS");
  EXPECT_EQ(TransmitterTypeText(13), "");
  EXPECT_EQ(TimeZoneText(21), "Paris, Madrid, Brussels, Copenhagen, W Central Africa. (+01:00)");
  EXPECT_EQ(TimeZoneText(19), "Monrovia, Casablanca. (\u00a000:00)");
  EXPECT_EQ(TimeZoneText(46), "Wellington, Auckland. (+12:00)");
  EXPECT_EQ(TimeZoneText(47), "");
  EXPECT_EQ(TimeZoneText(-1), "");
}

}  // namespace
}  // namespace agent
