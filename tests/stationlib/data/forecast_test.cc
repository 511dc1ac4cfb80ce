#include "stationlib/data/forecast.h"

#include <gtest/gtest.h>

#include "stationlib/data/time_text.h"

namespace orbisk::data {
namespace {

TEST(Forecast, RuleTexts) {
  EXPECT_EQ(forecastRuleText(0), " Mostly clear and cooler. ");
  EXPECT_EQ(forecastRuleText(5), " Partly cloudy and cooler. ");
  // Rule 14 -> triple 1; rule 12 -> triple 8 (phrases 11 and 40).
  EXPECT_EQ(forecastRuleText(12),
            " Increasing clouds and warmer. Precipitation possible within 24 to 48 hours ");
  // Rule 37 -> triple 17: three phrases.
  EXPECT_EQ(forecastRuleText(37),
            " Increasing clouds and warmer. Precipitation possible within 12 hours Increasing winds. ");
  EXPECT_EQ(forecastRuleText(193), " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
  EXPECT_EQ(forecastRuleText(199), " Mostly clear and cooler. ");
  EXPECT_EQ(forecastRuleText(200), " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
  EXPECT_EQ(forecastRuleText(-1), " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
  // Every rule gives a text that fits the 400-byte work buffer.
  for (int rule = 0; rule < 200; ++rule) {
    const std::string t = forecastRuleText(rule);
    EXPECT_FALSE(t.empty()) << rule;
    EXPECT_LT(t.size(), 400u);
  }
}

TEST(Forecast, IconTexts) {
  EXPECT_EQ(forecastIconText(6), "Partialy cloudy");
  EXPECT_EQ(forecastIconText(23), "Partialy cloudy, Rain and/or snow possible or continuing");
  EXPECT_EQ(forecastIconText(0), " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
}

TEST(TimeText, ConsoleClockFormat) {
  EXPECT_EQ(minuteOfDayText(-1), "----");
  EXPECT_EQ(minuteOfDayText(0), "12:00a");
  EXPECT_EQ(minuteOfDayText(6 * 60 + 5), " 6:05a");
  EXPECT_EQ(minuteOfDayText(12 * 60 + 30), "12:30p");
  EXPECT_EQ(minuteOfDayText(23 * 60 + 59), "11:59p");
  EXPECT_EQ(minuteOfDayText(24 * 60), "12:00m");
}

}  // namespace
}  // namespace orbisk::data
