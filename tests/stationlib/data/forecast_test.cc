#include "stationlib/data/forecast.h"

#include <gtest/gtest.h>

#include "stationlib/data/time_text.h"

namespace orbisk::data {
namespace {

TEST(Forecast, RuleTexts) {
  EXPECT_EQ(ForecastRuleText(0), " Mostly clear and cooler. ");
  EXPECT_EQ(ForecastRuleText(5), " Partly cloudy and cooler. ");
  // Rule 14 -> triple 1; rule 12 -> triple 8 (phrases 11 and 40).
  EXPECT_EQ(ForecastRuleText(12),
            " Increasing clouds and warmer. Precipitation possible within 24 to 48 hours ");
  // Rule 37 -> triple 17: three phrases.
  EXPECT_EQ(
      ForecastRuleText(37),
      " Increasing clouds and warmer. Precipitation possible within 12 hours Increasing winds. ");
  EXPECT_EQ(ForecastRuleText(193), " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
  EXPECT_EQ(ForecastRuleText(199), " Mostly clear and cooler. ");
  EXPECT_EQ(ForecastRuleText(200), " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
  EXPECT_EQ(ForecastRuleText(-1), " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
  // Every rule gives a text that fits the 400-byte work buffer.
  for (int rule = 0; rule < 200; ++rule) {
    const std::string t = ForecastRuleText(rule);
    EXPECT_FALSE(t.empty()) << rule;
    EXPECT_LT(t.size(), 400u);
  }
}

TEST(Forecast, IconTexts) {
  EXPECT_EQ(ForecastIconText(6), "Partialy cloudy");
  EXPECT_EQ(ForecastIconText(23), "Partialy cloudy, Rain and/or snow possible or continuing");
  EXPECT_EQ(ForecastIconText(0), " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
}

TEST(TimeText, ConsoleClockFormat) {
  EXPECT_EQ(MinuteOfDayText(-1), "----");
  EXPECT_EQ(MinuteOfDayText(0), "12:00a");
  EXPECT_EQ(MinuteOfDayText(6 * 60 + 5), " 6:05a");
  EXPECT_EQ(MinuteOfDayText(12 * 60 + 30), "12:30p");
  EXPECT_EQ(MinuteOfDayText(23 * 60 + 59), "11:59p");
  EXPECT_EQ(MinuteOfDayText(24 * 60), "12:00m");
}

}  // namespace
}  // namespace orbisk::data
