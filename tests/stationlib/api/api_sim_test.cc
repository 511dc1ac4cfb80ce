// The exports against the console simulator over each of the three links:
// serial on its pseudo-terminal (ORBISKPRO_COM5), TCP/IP by address and by
// device identifier (discovery pointed at its UDP port on 127.0.0.1), and USB
// through the bridge library (SIUSBXP_DEVICES naming the pseudo-terminal).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/environment.h"
#include "stationlib/api/OrbiskPro.h"
#include "tools/console-sim/launcher.h"

namespace {

enum class Link { kSerial, kTcp, kTcpById, kUsb };

const char* Name(Link link) {
  switch (link) {
    case Link::kSerial:
      return "serial";
    case Link::kTcp:
      return "tcp";
    case Link::kTcpById:
      return "tcp-by-id";
    case Link::kUsb:
      return "usb";
  }
  return "?";
}

class ApiSim : public ::testing::TestWithParam<Link> {
 protected:
  void SetUp() override {
    ASSERT_NO_THROW(sim_ = std::make_unique<consolesim::Launcher>());
    platform::SetEnvironmentVariable("ORBISKPRO_COM5", sim_->PtyPath());
    platform::SetEnvironmentVariable("SIUSBXP_DEVICES", "31337=" + sim_->PtyPath());
    platform::SetEnvironmentVariable("ORBISKPRO_DISCOVERY_TARGET",
                                     "127.0.0.1:" + std::to_string(sim_->UdpPort()));
    ASSERT_EQ(Open(), 0) << Name(GetParam());
  }
  void TearDown() override {
    Close();
    sim_.reset();
    platform::SetEnvironmentVariable("ORBISKPRO_DISCOVERY_TARGET", std::nullopt);
    platform::SetEnvironmentVariable("SIUSBXP_DEVICES", std::nullopt);
  }

  int32_t Open() {
    const std::string port = std::to_string(sim_->TcpPort());
    switch (GetParam()) {
      case Link::kSerial:
        return OpenCommPort_O(5, 19200);
      case Link::kTcp:
        return OpenTCPIPPort_O(port.c_str(), "127.0.0.1");
      case Link::kTcpById:
        return OpenTCPIPPort_O(port.c_str(), sim_->DeviceId().c_str());
      case Link::kUsb:
        return OpenUSBPort_O(31337);
    }
    return -1;
  }
  int32_t Close() {
    switch (GetParam()) {
      case Link::kSerial:
        return CloseCommPort_O();
      case Link::kUsb:
        return CloseUSBPort_O();
      default:
        return CloseTCPIPPort_O();
    }
  }
  void Firmware(const char* date) { sim_->Control({{"cmd", "firmware"}, {"date", date}}); }
  void Fault(const nlohmann::json& fault) {
    nlohmann::json command = fault;
    command["cmd"] = "fault";
    sim_->Control(command);
  }

  std::unique_ptr<consolesim::Launcher> sim_;
};

TEST_P(ApiSim, InitialisationOnEachSideOfEveryFirmwareBoundary) {
  struct Case {
    const char* date;
    int32_t result;
  } cases[] = {
      {"Jul 17 2001", 0}, {"Jul 18 2001", 0},      {"Feb 28 2002", 0},      {"Mar  1 2002", 0},
      {"Mar 30 2004", 0}, {"Mar 31 2004", -32768}, {"Oct 31 2004", -32768}, {"Nov  1 2004", 0},
      {"Nov  2 2004", 0}, {"Mar  8 2005", 0},      {"Mar  9 2005", 0},
  };
  for (const Case& c : cases) {
    Firmware(c.date);
    EXPECT_EQ(InitStation_O(), c.result) << c.date;
  }
  int32_t record[5] = {};
  Firmware("Mar  9 2005");
  ASSERT_EQ(GetStationFirmwareDate_O(record), 0);
  EXPECT_EQ(record[2], 9);
  EXPECT_EQ(record[3], 3);
  EXPECT_EQ(record[4], 2005);
}

TEST_P(ApiSim, StationQueriesAndClears) {
  if (GetParam() == Link::kTcpById)
    GTEST_SKIP() << "the same transport as by address, once discovered";
  sim_->Control({{"cmd", "firmware"}, {"version", "1.90"}, {"model", 16}});
  char version[8] = {};
  EXPECT_EQ(GetStationFirmwareVersion_O(version), 1);
  EXPECT_STREQ(version, "1.90");
  EXPECT_EQ(GetModelNo_O(), 16);
  EXPECT_EQ(IsNewLoopPackageSupported_O(), 1);
  int32_t reception[5] = {-1, -1, -1, -1, -1};
  EXPECT_EQ(GetReceptionData_O(reception), 0);
  EXPECT_EQ(ClearOrbiskHighs_O(), 0);
  EXPECT_EQ(ClearOrbiskLows_O(), 0);
  EXPECT_EQ(ClearOrbiskAlarms_O(), 0);
  EXPECT_EQ(ClearOrbiskRainET_O(3), 0);
}

TEST_P(ApiSim, EveryFaultFailsWithinTheRowAndTheLinkGoesOn) {
  if (GetParam() == Link::kTcpById)
    GTEST_SKIP() << "the same transport as by address, once discovered";
  SetOrbiskTimeoutVal_O(5);
  const nlohmann::json faults[] = {
      {{"name", "asleep"}},
      {{"name", "refuse"}},
      {{"name", "wrong_byte"}},
      {{"name", "delay"}, {"ms", 2500}, {"count", 3}},
  };
  for (const nlohmann::json& fault : faults) {
    Fault(fault);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ClearOrbiskAlarmBits_O(), -32701) << fault.dump();
    // Three wake-ups under the row in force, never an endless wait.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << fault.dump();
    Fault({{"name", "none"}});
    SetOrbiskTimeoutVal_O(5);
    // Late answers of a slow console may still be on their way: the next
    // attempts (as the next acquisition pass would make) succeed.
    int32_t result = -1;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (result != 0 && std::chrono::steady_clock::now() < until)
      result = ClearOrbiskAlarmBits_O();
    EXPECT_EQ(result, 0) << fault.dump();
  }
}

TEST_P(ApiSim, DroppedLinkFailsThenReopens) {
  if (GetParam() == Link::kSerial || GetParam() == Link::kUsb) {
    GTEST_SKIP() << "a serial line cannot be dropped, only fall silent (the asleep case)";
  }
  Fault({{"name", "drop"}, {"after", 0}});
  SetOrbiskTimeoutVal_O(5);
  EXPECT_EQ(ClearOrbiskAlarmBits_O(), -32701);
  Fault({{"name", "none"}});
  Close();
  ASSERT_EQ(Open(), 0);
  EXPECT_EQ(ClearOrbiskAlarmBits_O(), 0);
}

INSTANTIATE_TEST_SUITE_P(Links, ApiSim,
                         ::testing::Values(Link::kSerial, Link::kTcp, Link::kTcpById, Link::kUsb),
                         [](const ::testing::TestParamInfo<Link>& info) {
                           std::string name = Name(info.param);
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

}  // namespace
