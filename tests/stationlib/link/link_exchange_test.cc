// The command exchange over a serial link to the console simulator on its
// pseudo-terminal: configuration memory, checksum faults, polling and the
// timeout rows.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "stationlib/link/codes.h"
#include "stationlib/link/exchange.h"
#include "stationlib/link/rs232_comm_protocol.h"
#include "stationlib/link/station.h"
#include "tools/console-sim/launcher.h"

namespace {

using namespace orbisk;
using namespace orbisk::link;

class LinkSerial : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetEnvironmentVariable("ORBISKPRO_COM3", sim_.PtyPath());
    // A pattern of its own where the reads look, so that no default passes.
    nlohmann::json pattern = nlohmann::json::array();
    for (int i = 0x10; i < 0x20; ++i) pattern.push_back((i * 7) & 0xFF);
    sim_.Control({{"cmd", "memory_write"}, {"address", 0x10}, {"bytes", pattern}});
    ASSERT_EQ(OpenSerialLink(3, 19200), kSuccess);
    SelectLinkTimeout(kPollRow);
  }
  void TearDown() override {
    CloseActiveLink();
    ResetStation();
  }
  RS232CommProtocol& Serial() { return *static_cast<RS232CommProtocol*>(ActiveTransport()); }
  void Fault(nlohmann::json fault) {
    fault["cmd"] = "fault";
    sim_.Control(fault);
  }
  std::vector<std::uint8_t> SimMemory(int address, int length) {
    return sim_.Control(
        {{"cmd", "memory_read"}, {"address", address}, {"length", length}})["bytes"];
  }
  std::vector<std::string> Commands() { return sim_.Control({{"cmd", "received"}})["commands"]; }

  consolesim::Launcher sim_;
};

TEST_F(LinkSerial, FreshLinkHasFiniteTimeouts) {
  CloseActiveLink();
  ASSERT_EQ(OpenSerialLink(3, 19200), kSuccess);
  EXPECT_EQ(Serial().CurrentTimeouts().read_constant, 2000u);  // row 7
}

TEST_F(LinkSerial, TimeoutRowsAndTheirRedirection) {
  SelectLinkTimeout(1);
  EXPECT_EQ(Serial().CurrentTimeouts().read_constant, 3500u);
  SelectLinkTimeout(11);  // ignored
  EXPECT_EQ(Serial().CurrentTimeouts().read_constant, 3500u);
  Serial().status |= kStatusPulseOnClose;
  SelectLinkTimeout(0);  // becomes row 7
  EXPECT_EQ(Serial().CurrentTimeouts().read_constant, 2000u);
  EXPECT_EQ(Serial().CurrentTimeouts().read_multiplier, 30u);
  Serial().status &= ~kStatusPulseOnClose;
  for (int row = 8; row <= 10; ++row) {
    SelectLinkTimeout(row);
    EXPECT_GT(Serial().CurrentTimeouts().read_constant, 0u) << row;  // never unbounded
  }
}

TEST_F(LinkSerial, EepromReadAndWriteRoundTrip) {
  std::uint8_t read[16] = {};
  ASSERT_EQ(EepromRead(0x10, sizeof read, read), kSuccess);
  for (std::size_t i = 0; i < sizeof read; ++i)
    EXPECT_EQ(read[i], static_cast<std::uint8_t>((0x10 + i) * 7));
  const std::uint8_t written[] = {1, 2, 3, 4, 250};
  ASSERT_EQ(EepromWrite(0x40, sizeof written, written), kSuccess);
  EXPECT_EQ(SimMemory(0x40, 5), std::vector<std::uint8_t>(written, written + 5));
  EXPECT_EQ(Commands().back(), "EEBWR 40 5");
}

TEST_F(LinkSerial, ChecksumAndTruncationFaults) {
  std::uint8_t read[8] = {};
  Fault({{"name", "corrupt_crc"}, {"every", 1}});
  EXPECT_EQ(EepromRead(0, sizeof read, read), kCommFailure);
  EXPECT_EQ(ReadChecked(0), 0);
  Fault({{"name", "none"}});
  Fault({{"name", "truncate"}, {"to", 5}});  // half of the 10-byte reply
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(EepromRead(0, sizeof read, read), kCommFailure);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  Fault({{"name", "none"}});
  Fault({{"name", "refuse"}});
  EXPECT_EQ(EepromWrite(0, sizeof read, read), kCommFailure);
  Fault({{"name", "none"}});
  EXPECT_EQ(EepromRead(0, sizeof read, read), kSuccess);
}

TEST_F(LinkSerial, ReadsNeverPassTheBuffer) {
  EXPECT_EQ(ReadChecked(ReceiveBufferSize() + 1), -1);
  EXPECT_EQ(ReadRaw(ReceiveBufferSize() + 1), -1);
  std::uint8_t big[600];
  EXPECT_EQ(EepromRead(0, sizeof big, big), kCommFailure);  // reply longer than the buffer
}

TEST_F(LinkSerial, PollThenReadGivesTheSameByte) {
  ASSERT_EQ(SendByte(kLineFeed), 0);
  CommProtocol* t = ActiveTransport();
  int polled = -1;
  for (int i = 0; i < 20 && polled != 1; ++i) polled = t->PollByte();
  ASSERT_EQ(polled, 1);
  EXPECT_EQ(t->PollByte(), 1);  // still waiting, nothing read from the link
  EXPECT_EQ(t->ReadByte(), '\n');
  EXPECT_EQ(t->ReadByte(), '\r');
  EXPECT_EQ(t->PollByte(), 0);
}

TEST_F(LinkSerial, LongWaitDoesNotOutliveTheCommand) {
  ASSERT_EQ(OkDoneCommand("CLRGRA\n"), kSuccess);
  EXPECT_EQ(Serial().CurrentTimeouts().read_constant, 100u);  // row 5 again
  ASSERT_EQ(AckCommand("CLRBITS\n"), kSuccess);
}

TEST_F(LinkSerial, SleepingConsoleFailsAfterThreeLineFeeds) {
  Fault({{"name", "asleep"}});
  EXPECT_FALSE(WakeUp());
  EXPECT_EQ(CommandWithRetry("LOOP 1\n"), kCommFailure);
  Fault({{"name", "none"}});
  EXPECT_TRUE(WakeUp());
}

TEST_F(LinkSerial, TextUntilSilenceEndsOnTimeout) {
  ASSERT_EQ(SendText("NVER\n"), 0);
  EXPECT_EQ(ReadTextUntilSilence(), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(ReceiveBuffer()), "\n\rOK\n\r1.90\n\r");
}

}  // namespace
