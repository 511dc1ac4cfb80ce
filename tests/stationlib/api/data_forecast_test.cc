// The forecast text of every rule of the console's rule table, end to end:
// the simulator puts each rule number in its live packet, the library loads
// the packet and answers the forecast identifier. The link is the USB bridge
// on the simulator's pseudo-terminal, whose receive clear does not wait for
// silence, so that the 200 loads take seconds, not minutes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "platform/environment.h"
#include "stationlib/api/OrbiskPro.h"
#include "stationlib/data/forecast.h"
#include "tools/console-sim/launcher.h"

namespace {

constexpr int32_t kForecastRule = 0xC0C0220;
constexpr int32_t kForecastIcon = 0xD0C0220;
constexpr int kSerialNumber = 31337;

class Forecast : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sim = std::make_unique<consolesim::Launcher>(
        std::vector<std::string>{"--start", "2026-12-08 10:00:00"});
    sim->Control({{"cmd", "freeze"}, {"on", true}});
    // No second-format packet: one exchange per load.
    sim->Control(
        {{"cmd", "firmware"}, {"date", "Apr 10 2006"}, {"version", "1.50"}, {"model", 16}});
    platform::SetEnvironmentVariable("SIUSBXP_DEVICES",
                                     std::to_string(kSerialNumber) + "=" + sim->PtyPath());
    ASSERT_EQ(OpenUSBPort_O(kSerialNumber), 0);
    ASSERT_EQ(InitStation_O(), 0);
  }
  static void TearDownTestSuite() {
    CloseUSBPort_O();
    sim.reset();
    platform::SetEnvironmentVariable("SIUSBXP_DEVICES", std::nullopt);
  }
  static std::string Load(const char* field, int value, int32_t id) {
    sim->Control({{"cmd", "set"}, {"readings", {{field, value}}}});
    EXPECT_EQ(LoadCurrentOrbiskData_O(), 0) << field << " " << value;
    char text[400] = {};
    EXPECT_EQ(static_cast<int16_t>(GetCurrentDataStrByID_O(id, text, sizeof text)), 0)
        << field << " " << value;
    EXPECT_EQ(GetCurrentDataByID_O(id), static_cast<float>(value)) << field << " " << value;
    return text;
  }

  static inline std::unique_ptr<consolesim::Launcher> sim;
};

TEST_F(Forecast, EveryRuleOfTheTableGivesItsText) {
  // The data layer's table is checked against the console's phrases apart;
  // here every rule must reach the caller through the live packet.
  for (int rule = 0; rule < 200; ++rule)
    EXPECT_EQ(Load("forecast_rule", rule, kForecastRule), orbisk::data::ForecastRuleText(rule))
        << rule;
  // A few rules read in full: one, two and three phrases.
  EXPECT_EQ(Load("forecast_rule", 5, kForecastRule), " Partly cloudy and cooler. ");
  EXPECT_EQ(Load("forecast_rule", 12, kForecastRule),
            " Increasing clouds and warmer. Precipitation possible within 24 to 48 hours ");
  EXPECT_EQ(
      Load("forecast_rule", 37, kForecastRule),
      " Increasing clouds and warmer. Precipitation possible within 12 hours Increasing winds. ");
  // Numbers beyond the table ask for three hours of data.
  EXPECT_EQ(Load("forecast_rule", 230, kForecastRule),
            " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
}

TEST_F(Forecast, IconTexts) {
  const struct {
    int icon;
    const char* text;
  } icons[] = {
      {2, "Mostly cloudy"},
      {3, "Mostly cloudy, Rain possible or continuing"},
      {6, "Partialy cloudy"},
      {7, "Partialy cloudy, Rain possible or continuing"},
      {8, "Mostly clear"},
      {18, "Mostly cloudy, Snow possible or continuing"},
      {19, "Mostly cloudy, Rain and/or snow possible or continuing"},
      {22, "Partialy cloudy, Snow possible or continuing"},
      {23, "Partialy cloudy, Rain and/or snow possible or continuing"},
      {0, " FORECAST REQUIRES 3 HOURS OF RECENT DATA. "},
  };
  for (const auto& i : icons)
    EXPECT_EQ(Load("forecast_icon", i.icon, kForecastIcon), i.text) << i.icon;
}

}  // namespace
