// The exports over a serial link: the console simulator's pseudo-terminal,
// named by ORBISKPRO_COM7 (under Wine, a COM port mapped to it).
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <chrono>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "stationlib/api/OrbiskPro.h"
#include "tests/stationlib/api/open_handles.h"
#include "tools/console-sim/launcher.h"

namespace {

constexpr int kPort = 7;

class ApiSerial : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetEnvironmentVariable("ORBISKPRO_COM7", sim_.PtyPath());
    ASSERT_EQ(OpenCommPort_O(kPort, 19200), 0);
  }
  void TearDown() override { CloseCommPort_O(); }
  void Fault(const char* name) { sim_.Control({{"cmd", "fault"}, {"name", name}}); }
  std::vector<std::string> Commands() { return sim_.Control({{"cmd", "received"}})["commands"]; }

  consolesim::Launcher sim_;
};

TEST(ApiSerialOpen, MissingPortFails) {
  platform::SetEnvironmentVariable("ORBISKPRO_COM8", "/nonexistent/tty");
  EXPECT_EQ(OpenCommPort_O(8, 19200) & 0xFFFF, 0x8043);
  EXPECT_EQ(GetSerialChar_O(), -1);  // the closed transport answers, without waiting
}

TEST(ApiSerialOpen, HeldPortFails) {
#ifdef _WIN32
  GTEST_SKIP() << "Wine lets a second handle open a COM port another one holds";
#else
  consolesim::Launcher sim;
  int holder = open(sim.PtyPath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  platform::SetEnvironmentVariable("ORBISKPRO_COM8", sim.PtyPath());
  EXPECT_EQ(OpenCommPort_O(8, 19200), -32701);
  close(holder);
  EXPECT_EQ(OpenCommPort_O(8, 19200), 0);
  EXPECT_EQ(CloseCommPort_O(), 1);
#endif
}

TEST_F(ApiSerial, FirmwareDateAndInitialisationBoundaries) {
  sim_.Control({{"cmd", "firmware"}, {"date", "Apr 10 2006"}});
  int32_t record[5] = {-1, -1, -1, -1, -1};
  ASSERT_EQ(GetStationFirmwareDate_O(record), 0);
  EXPECT_EQ(record[0], 0);
  EXPECT_EQ(record[1], 0);
  EXPECT_EQ(record[2], 10);
  EXPECT_EQ(record[3], 4);
  EXPECT_EQ(record[4], 2006);
  struct Case {
    const char* date;
    int32_t result;
  } cases[] = {
      {"Mar 30 2004", 0},      {"Mar 31 2004", -32768}, {"Oct 31 2004", -32768},
      {"Nov  1 2004", 0},      {"Nov  2 2004", 0},      {"Jul 17 2001", 0},
      {"Feb 29 2004", 0},      {"Feb 29 2003", -32701}, {"Feb 30 2004", -32701},
      {"Foo 10 2004", -32701}, {"Apr 31 2005", -32701},
  };
  for (const Case& c : cases) {
    sim_.Control({{"cmd", "firmware"}, {"date", c.date}});
    EXPECT_EQ(InitStation_O(), c.result) << c.date;
  }
}

TEST_F(ApiSerial, StationQueries) {
  char version[8] = {};
  EXPECT_EQ(GetStationFirmwareVersion_O(version), 1);
  EXPECT_STREQ(version, "1.90");
  EXPECT_EQ(GetModelNo_O(), 16);
  EXPECT_EQ(IsNewLoopPackageSupported_O(), 1);
  int32_t reception[5] = {};
  ASSERT_EQ(GetReceptionData_O(reception), 0);
  EXPECT_EQ(reception[0], 21629);
  EXPECT_EQ(reception[1], 15);
  EXPECT_EQ(reception[2], 0);
  EXPECT_EQ(reception[3], 3204);
  EXPECT_EQ(reception[4], 128);
}

TEST_F(ApiSerial, ClearCommandsSendTheirTexts) {
  SetOrbiskTimeoutVal_O(5);
  EXPECT_EQ(ClearOrbiskHighs_O(), 0);
  EXPECT_EQ(ClearOrbiskAlarms_O(), 0);
  EXPECT_EQ(ClearOrbiskRainET_O(0x107), 0);
  EXPECT_EQ(ClearStoredData_O(), 0);
  std::vector<std::string> expected = {"CLRHIGHS 0", "CLRHIGHS 1", "CLRHIGHS 2",
                                       "CLRALM",     "CLRVAR 7",   "CLRLOG"};
  EXPECT_EQ(Commands(), expected);
}

TEST_F(ApiSerial, FaultsGiveCommunicationFailureAndTheLinkRecovers) {
  EXPECT_EQ(SetOrbiskTimeoutVal_O(5), -32701);  // reported as failure although applied
  // "silent": a console that takes the command and never answers it.
  for (const std::string fault : {"asleep", "refuse", "wrong_byte", "silent"}) {
    Fault("none");
    Fault(fault.c_str());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ClearOrbiskAlarmBits_O(), -32701) << fault;
    if (fault != "wrong_byte") {  // a wrong byte spoils acknowledgements, not "OK"
      EXPECT_EQ(ClearOrbiskGraphs_O(), -32701) << fault;
    }
    // Each failure comes within the row in force (row 5), wake-up retries included.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4)) << fault;
  }
  Fault("none");
  EXPECT_EQ(ClearOrbiskAlarmBits_O(), 0);
  EXPECT_EQ(ClearOrbiskGraphs_O(), 0);
}

TEST_F(ApiSerial, RawBytesAndBaudChange) {
  SetOrbiskTimeoutVal_O(5);
  ASSERT_EQ(PutSerialChar_O('\n'), 0);
  EXPECT_EQ(GetSerialChar_O(), '\n');
  EXPECT_EQ(GetSerialChar_O(), '\r');
  EXPECT_EQ(GetSerialChar_O(), -1);  // nothing more: a timeout, not a hang
  EXPECT_EQ(SetNewBaud_O(57600), -32707);
  EXPECT_EQ(SetNewBaud_O(9600), 0);
  EXPECT_EQ(Commands().back(), "BAUD 9600");
  EXPECT_EQ(ClearOrbiskAlarmBits_O(), 0);
}

TEST_F(ApiSerial, ThousandOpenCloseCyclesLeaveNothingBehind) {
  CloseCommPort_O();
  const int before = apitest::OpenHandleCount();
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(OpenCommPort_O(kPort, 19200), 0);
    ASSERT_EQ(CloseCommPort_O(), 1);
  }
  EXPECT_EQ(apitest::OpenHandleCount(), before);
}

}  // namespace
