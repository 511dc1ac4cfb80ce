// The exports over a serial link: a pseudo-terminal named by ORBISKPRO_COM7,
// with a scripted console on its master side.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "stationlib/api/OrbiskPro.h"
#include "tests/stationlib/link/link_scripted_console.h"

namespace {

using linktest::Fault;

constexpr int kPort = 7;

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

class ApiSerial : public ::testing::Test {
 protected:
  void SetUp() override {
    pty_ = linktest::OpenPseudoTerminal();
    ASSERT_GE(pty_.master, 0);
    setenv("ORBISKPRO_COM7", pty_.slave_path.c_str(), 1);
    console_.Start(pty_.master);
    ASSERT_EQ(OpenCommPort_O(kPort, 19200), 0);
  }
  void TearDown() override {
    CloseCommPort_O();
    console_.Stop();
  }

  linktest::PseudoTerminal pty_;
  linktest::ScriptedConsole console_;
};

TEST(ApiSerialOpen, MissingOrHeldPortFails) {
  setenv("ORBISKPRO_COM8", "/nonexistent/tty", 1);
  EXPECT_EQ(OpenCommPort_O(8, 19200) & 0xFFFF, 0x8043);
  EXPECT_EQ(GetSerialChar_O(), -1);  // the closed transport answers, without waiting

  linktest::PseudoTerminal pty = linktest::OpenPseudoTerminal();
  int holder = open(pty.slave_path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  setenv("ORBISKPRO_COM8", pty.slave_path.c_str(), 1);
  EXPECT_EQ(OpenCommPort_O(8, 19200), -32701);
  close(holder);
  EXPECT_EQ(OpenCommPort_O(8, 19200), 0);
  EXPECT_EQ(CloseCommPort_O(), 1);
  close(pty.master);
}

TEST_F(ApiSerial, FirmwareDateAndInitialisationBoundaries) {
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
      {"Mar 30 2004\n\r", 0},      {"Mar 31 2004\n\r", -32768}, {"Oct 31 2004\n\r", -32768},
      {"Nov  1 2004\n\r", 0},      {"Nov  2 2004\n\r", 0},      {"Jul 17 2001\n\r", 0},
      {"Feb 29 2004\n\r", 0},      {"Feb 29 2003\n\r", -32701}, {"Feb 30 2004\n\r", -32701},
      {"Foo 10 2004\n\r", -32701}, {"Apr 31 2005\n\r", -32701},
  };
  for (const Case& c : cases) {
    console_.SetFirmwareDate(c.date);
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
  std::vector<std::string> expected = {"CLRHIGHS 0", "CLRHIGHS 1", "CLRHIGHS 2", "CLRALM", "CLRVAR 7", "CLRLOG"};
  EXPECT_EQ(console_.Commands(), expected);
}

TEST_F(ApiSerial, FaultsGiveCommunicationFailureAndTheLinkRecovers) {
  EXPECT_EQ(SetOrbiskTimeoutVal_O(5), -32701);  // reported as failure although applied
  for (Fault fault : {Fault::kSleeping, Fault::kRefuse, Fault::kWrongByte, Fault::kStall}) {
    console_.SetFault(fault);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ClearOrbiskAlarmBits_O(), -32701) << static_cast<int>(fault);
    if (fault != Fault::kWrongByte) {
      EXPECT_EQ(ClearOrbiskGraphs_O(), -32701) << static_cast<int>(fault);
    }
    // Each failure comes within the row in force (row 5), wake-up retries included.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4)) << static_cast<int>(fault);
  }
  console_.SetFault(Fault::kNone);
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
  EXPECT_EQ(console_.Commands().back(), "BAUD 9600");
  EXPECT_EQ(ClearOrbiskAlarmBits_O(), 0);
}

TEST_F(ApiSerial, ThousandOpenCloseCyclesLeaveNothingBehind) {
  CloseCommPort_O();
  const int before = OpenDescriptors();
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(OpenCommPort_O(kPort, 19200), 0);
    ASSERT_EQ(CloseCommPort_O(), 1);
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
