// The exports over TCP/IP on 127.0.0.1 to the console simulator: by address
// and by device identifier, discovery pointed at its UDP port.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "stationlib/api/OrbiskPro.h"
#include "tests/stationlib/api/open_handles.h"
#include "tools/console-sim/launcher.h"

namespace {

void Fault(consolesim::Launcher& sim, nlohmann::json fault) {
  fault["cmd"] = "fault";
  sim.Control(fault);
}

TEST(ApiTcp, ByAddressCommandsAndDroppedLink) {
  consolesim::Launcher sim;
  ASSERT_EQ(OpenTCPIPPort_O(std::to_string(sim.TcpPort()).c_str(), "127.0.0.1"), 0);
  EXPECT_EQ(InitStation_O(), 0);
  EXPECT_EQ(ClearOrbiskLows_O(), 0);
  Fault(sim, {{"name", "refuse"}});
  EXPECT_EQ(ClearCurrentData_O(), -32701);
  Fault(sim, {{"name", "none"}});
  EXPECT_EQ(ClearCurrentData_O(), 0);
  Fault(sim, {{"name", "drop"}, {"after", 2}});  // the wake-up answered, then the link is gone
  EXPECT_EQ(ClearOrbiskAlarmBits_O(), -32701);
  EXPECT_EQ(CloseTCPIPPort_O(), 1);
}

TEST(ApiTcp, RefusedConnectionFails) {
  std::string port;
  {
    consolesim::Launcher gone;  // its port is free again once it has stopped
    port = std::to_string(gone.TcpPort());
  }
  EXPECT_EQ(OpenTCPIPPort_O(port.c_str(), "127.0.0.1"), -32701);
  EXPECT_EQ(OpenTCPIPPort_O("not-a-port", "127.0.0.1"), -32701);
}

TEST(ApiTcp, ByDeviceIdentifierThroughDiscovery) {
  consolesim::Launcher sim;
  // A short reply and a long one come before the right one: only the 31-byte one counts.
  Fault(sim, {{"name", "discovery_noise"}});
  platform::SetEnvironmentVariable("ORBISKPRO_DISCOVERY_TARGET",
                                   "127.0.0.1:" + std::to_string(sim.UdpPort()));
  ASSERT_EQ(OpenTCPIPPort_O(std::to_string(sim.TcpPort()).c_str(), sim.DeviceId().c_str()), 0);
  EXPECT_EQ(ClearOrbiskDayHighs_O(), 0);
  EXPECT_EQ(CloseTCPIPPort_O(), 1);
  const std::vector<std::string> lines = sim.Control({{"cmd", "received"}})["lines"];
  EXPECT_GE(std::count(lines.begin(), lines.end(), "udp: datagram \"<06>\""),
            1);  // the reply acknowledged
  // An identifier nobody answers for.
  EXPECT_EQ(OpenTCPIPPort_O("22222", "00:00:00:00:00:01"), -32701);
  platform::SetEnvironmentVariable("ORBISKPRO_DISCOVERY_TARGET", std::nullopt);
}

TEST(ApiTcp, ThousandOpenCloseCyclesLeaveNothingBehind) {
  consolesim::Launcher sim;
  const std::string port = std::to_string(sim.TcpPort());
  constexpr int kCycles = 1000;
  ASSERT_EQ(OpenTCPIPPort_O(port.c_str(), "127.0.0.1"), 0);  // the first cycle settles the baseline
  ASSERT_EQ(CloseTCPIPPort_O(), 1);
  const int before = apitest::OpenHandleCount();
  for (int i = 1; i < kCycles; ++i) {
    ASSERT_EQ(OpenTCPIPPort_O(port.c_str(), "127.0.0.1"), 0);
    ASSERT_EQ(CloseTCPIPPort_O(), 1);
  }
  EXPECT_EQ(apitest::OpenHandleCount(), before);
}

}  // namespace
