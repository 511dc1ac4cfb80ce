// The feature flags InitStation_O derives from the firmware date, seen
// through what each one changes, for dates on each side of every boundary:
// the barometric trend (dashed before 1 Mar 2002), the transmitter type
// mapping (new after 1 Nov 2004) and the repeater battery status (after
// 8 Mar 2005). The console is the simulator, over TCP/IP on 127.0.0.1.
#include <gtest/gtest.h>

#include <string>

#include "stationlib/api/OrbiskPro.h"
#include "tools/console-sim/launcher.h"

namespace {

constexpr float kDashed = -32768.0f;
constexpr int32_t kTrendId = 0x402A0;
constexpr int32_t kRepeaterBatteryId = 0xB0C0220;

TEST(LinkFeatures, FirmwareDateBoundariesSwitchWhatTheyShould) {
  consolesim::Launcher sim({"--start", "2026-05-04 12:00:00"});
  sim.Control({{"cmd", "set"}, {"readings", {{"bar_trend", 20}, {"repeater_battery", 1}}}});
  // Transmitter 2: low nibble 1, high nibble 1 (type 4 on older firmware;
  // on new firmware the low nibble alone gives type 2). Transmitter 1 is the
  // console's own (type 12).
  sim.Control({{"cmd", "memory_write"}, {"address", 27}, {"bytes", {0x11, 0x11}}});
  ASSERT_EQ(OpenTCPIPPort_O(std::to_string(sim.TcpPort()).c_str(), "127.0.0.1"), 0);

  struct Case {
    const char* date;
    bool trend, repeater;
    int16_t transmitter2;
  } cases[] = {
      {"Feb 28 2002", false, false, 4}, {"Mar  1 2002", true, false, 4},
      {"Nov  1 2004", true, false, 4},  {"Nov  2 2004", true, false, 2},
      {"Mar  8 2005", true, false, 2},  {"Mar  9 2005", true, true, 2},
  };
  for (const Case& c : cases) {
    sim.Control({{"cmd", "firmware"}, {"date", c.date}});
    ASSERT_EQ(InitStation_O(), 0) << c.date;
    ASSERT_EQ(LoadCurrentOrbiskData_O(), 0) << c.date;
    EXPECT_EQ(GetCurrentDataByID_O(kTrendId), c.trend ? 20.0f : kDashed) << c.date;
    EXPECT_EQ(GetCurrentDataByID_O(kRepeaterBatteryId), c.repeater ? 1.0f : kDashed) << c.date;
    int16_t config[16] = {};
    ASSERT_EQ(GetOrbiskTxConfig_O(config), 0) << c.date;
    EXPECT_EQ(config[1], c.transmitter2) << c.date;
  }
  // A refused date clears the identification: no transmitter table.
  sim.Control({{"cmd", "firmware"}, {"date", "Jun 15 2004"}});
  EXPECT_EQ(InitStation_O(), -32768);
  int16_t config[16] = {};
  EXPECT_EQ(GetOrbiskTxConfig_O(config), -32704);
  EXPECT_EQ(CloseTCPIPPort_O(), 1);
}

}  // namespace
