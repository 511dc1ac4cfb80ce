// The USB link through libSiUSBXp.so, its device list given by
// SIUSBXP_DEVICES and pointing at the console simulator's pseudo-terminal.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "platform/environment.h"
#include "stationlib/api/OrbiskPro.h"
#include "tools/console-sim/launcher.h"

namespace {

class BridgeUsb : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string devices = "4242=" + sim_.PtyPath() + ",77=/nonexistent/tty";
    platform::SetEnvironmentVariable("SIUSBXP_DEVICES", devices);
  }
  void TearDown() override {
    CloseUSBPort_O();
    platform::SetEnvironmentVariable("SIUSBXP_DEVICES", std::nullopt);
  }
  void Fault(const char* name) { sim_.Control({{"cmd", "fault"}, {"name", name}}); }

  consolesim::Launcher sim_;
};

TEST_F(BridgeUsb, SerialNumberAndCommands) {
  EXPECT_EQ(GetUSBDevSerialNumber_O(), 4242);
  ASSERT_EQ(OpenUSBPort_O(4242), 0);
  EXPECT_EQ(InitStation_O(), 0);
  EXPECT_EQ(ClearOrbiskYearLows_O(), 0);
  Fault("asleep");
  SetOrbiskTimeoutVal_O(5);
  EXPECT_EQ(ClearOrbiskYearLows_O(), -32701);
  Fault("none");
  EXPECT_EQ(ClearOrbiskYearLows_O(), 0);
  EXPECT_EQ(CloseUSBPort_O(), 1);
}

TEST_F(BridgeUsb, UnknownOrUnopenableDeviceFails) {
  EXPECT_EQ(OpenUSBPort_O(9999), -32701);
  EXPECT_EQ(OpenUSBPort_O(77), -32701);
  EXPECT_EQ(OpenUSBPort_O(1), 0);  // 1: the first device that opens
}

TEST_F(BridgeUsb, ThousandOpenCloseCycles) {
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(OpenUSBPort_O(4242), 0);
    ASSERT_EQ(CloseUSBPort_O(), 1);
  }
}

}  // namespace
