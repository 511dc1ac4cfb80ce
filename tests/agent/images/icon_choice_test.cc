// Which picture each reading and state selects.
#include "agent/images/icon_choice.h"

#include <gtest/gtest.h>

namespace agent::images {
namespace {

using enum CarriedImage;

TEST(IconChoice, ForecastNumbersPickTheirPicturesAndOthersNone) {
  const std::pair<int, CarriedImage> known[] = {
      {8, kForecastSun},          {3, kForecastRain},          {5, kForecastStorm},
      {18, kForecastSnow},        {2, kForecastCloud},         {6, kForecastSunCloud},
      {7, kForecastSunCloudSnow}, {22, kForecastSunCloudRain}, {23, kForecastSunCloudRainSnow},
      {19, kForecastRainSnow}};
  for (const auto& [number, image] : known) EXPECT_EQ(ForecastImage(number), image) << number;
  for (int other : {0, 1, 4, 9, 20, 21, 24, -1, -32768, 32767})
    EXPECT_FALSE(ForecastImage(other)) << other;
}

TEST(IconChoice, TrendTextsMatchInUpperCaseOnly) {
  EXPECT_EQ(TrendImage("rising rapidly"), kTrendRisingRapidly);
  EXPECT_EQ(TrendImage("Falling Rapidly"), kTrendFallingRapidly);
  EXPECT_EQ(TrendImage("RISING"), kTrendRising);
  EXPECT_EQ(TrendImage("falling"), kTrendFalling);
  EXPECT_EQ(TrendImage("Steady"), kTrendSteady);
  for (const char* other : {"", "---", "rising ", " steady", "RISINGRAPIDLY", "En hausse"})
    EXPECT_EQ(TrendImage(other), kTrendUnknown) << other;
}

TEST(IconChoice, RainIsAnythingButExactlyZero) {
  EXPECT_FALSE(RainState(0.0f));
  EXPECT_FALSE(RainState(-0.0f));
  EXPECT_TRUE(RainState(0.01f));
  EXPECT_TRUE(RainState(-32768.0f));
}

TEST(IconChoice, SevereColdUsesThswThenThwAndNeverASentinel) {
  EXPECT_EQ(SevereColdState(-32705, false, -1, true), true);
  EXPECT_EQ(SevereColdState(-32705, false, 0, true), false);
  EXPECT_EQ(SevereColdState(-3, true, 5, true), true);
  EXPECT_EQ(SevereColdState(2, true, -5, true), false);
  EXPECT_EQ(SevereColdState(-32705, false, -32768, false), std::nullopt);
}

TEST(IconChoice, ConnectionStatesPickTheirPictures) {
  EXPECT_EQ(ConnectionImage(0), kConnectionFailed);
  EXPECT_EQ(ConnectionImage(1), kConnectionOk);
  EXPECT_EQ(ConnectionImage(2), kConnectionOk);
  EXPECT_EQ(ConnectionImage(3), kConnectionActivity);
  EXPECT_EQ(ConnectionImage(4), kConnectionOk);
  for (int other : {5, 7, -1, 255}) EXPECT_FALSE(ConnectionImage(other)) << other;
}

}  // namespace
}  // namespace agent::images
