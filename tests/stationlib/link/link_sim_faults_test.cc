// The command exchange against the console simulator over each link: serial
// on its pseudo-terminal, TCP/IP on 127.0.0.1, and USB through the bridge
// library with its device list naming the same pseudo-terminal. A faulty
// checksum reply gives the documented code, a missing byte fails after the
// wait of the timeout row in force (not the console's pause), and the link
// goes on working afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "stationlib/link/codes.h"
#include "stationlib/link/comm_protocol.h"
#include "stationlib/link/exchange.h"
#include "stationlib/link/station.h"
#include "tools/console-sim/launcher.h"

namespace {

using namespace orbisk;
using namespace orbisk::link;
using Clock = std::chrono::steady_clock;

enum class Link { kSerial, kTcp, kUsb };

constexpr int kShortRow = 5;  // serial 105 ms a byte, TCP/IP and USB 50 ms
constexpr int kLongRow = 7;   // about 2 s on every link
constexpr int kSerialPort = 6;
constexpr long long kSlackMs = 1500;  // scheduling on a busy machine, never a wait of the link
constexpr std::int32_t kUsbSerial = 5150;

long long Ms(Clock::duration d) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

class LinkSim : public ::testing::TestWithParam<Link> {
 protected:
  void SetUp() override {
#ifdef SIUSBXP_DIRECTORY  // on Windows the bridge lies beside the program, where it is looked for
    if (GetParam() == Link::kUsb) std::filesystem::current_path(SIUSBXP_DIRECTORY);
#endif
    platform::SetEnvironmentVariable("ORBISKPRO_COM" + std::to_string(kSerialPort), sim_.PtyPath());
    platform::SetEnvironmentVariable("SIUSBXP_DEVICES",
                                     std::to_string(kUsbSerial) + "=" + sim_.PtyPath());
    ASSERT_EQ(Open(), kSuccess);
    SelectLinkTimeout(kShortRow);
  }
  void TearDown() override {
    CloseActiveLink();
    ResetStation();
    platform::SetEnvironmentVariable("SIUSBXP_DEVICES", std::nullopt);
    std::filesystem::current_path(directory_);
  }

  std::int32_t Open() {
    switch (GetParam()) {
      case Link::kSerial:
        return OpenSerialLink(kSerialPort, 19200);
      case Link::kTcp:
        return OpenTcpLink(std::to_string(sim_.TcpPort()), "127.0.0.1");
      case Link::kUsb:
        return OpenUsbLink(kUsbSerial);
    }
    return kCommFailure;
  }
  void Fault(nlohmann::json fault) {
    fault["cmd"] = "fault";
    sim_.Control(fault);
  }
  // The wait of one byte read under `row` on this link, in ms.
  long long RowWaitMs(int row) const {
    const LinkTimeoutRow& r = TimeoutRow(row);
    switch (GetParam()) {
      case Link::kSerial:
        return r.serial.read_constant + r.serial.read_multiplier;
      case Link::kTcp:
        return r.tcp_receive_ms;
      case Link::kUsb:
        return r.usb_read_ms;
    }
    return 0;
  }
  // The last error a read timeout leaves on this link.
  std::int32_t TimeoutError() const {
    switch (GetParam()) {
      case Link::kSerial:
        return kErrTimeout;
      case Link::kTcp:
        return kErrReceiveTimeout;
      case Link::kUsb:
        return kOsErrorTimeout;
    }
    return 0;
  }
  std::vector<std::uint8_t> SimMemory(int address, int length) {
    return sim_.Control(
        {{"cmd", "memory_read"}, {"address", address}, {"length", length}})["bytes"];
  }
  // Wakes the console and has a memory read acknowledged; its checked reply
  // (length + 2 bytes) is then left to the caller, read under `row` (the
  // purges of the wake-up put TCP/IP back on its default wait).
  bool AskMemory(int address, int length, int row = kShortRow) {
    char command[32];
    std::snprintf(command, sizeof command, "EEBRD %X %X\n", address, length);
    const bool asked = WakeUp() && SendText(command) == 0 && ExpectAck();
    SelectLinkTimeout(row);
    return asked;
  }
  // Reads the 18-byte reply of AskMemory(0x10, 16), expecting it to stop
  // after `received` bytes on a read timeout; returns how long that took.
  long long FailingReadMs(std::size_t received) {
    const auto start = Clock::now();
    EXPECT_EQ(ReadChecked(18), -1);
    const long long took = Ms(Clock::now() - start);
    EXPECT_EQ(ReceivedLength(), received);
    EXPECT_EQ(ActiveTransport()->LastError(), TimeoutError());
    return took;
  }
  // A whole memory read through the library, checked against the simulator.
  void ExpectMemoryReadWorks() {
    std::uint8_t bytes[16] = {};
    ASSERT_EQ(EepromRead(0x10, sizeof bytes, bytes), kSuccess);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + sizeof bytes),
              SimMemory(0x10, sizeof bytes));
  }

  consolesim::Launcher sim_{{"--start", "2026-05-04 12:00:00"}};
  const std::filesystem::path directory_ = std::filesystem::current_path();
};

TEST_P(LinkSim, CorruptedChecksumIsAChecksumErrorAndTheLinkGoesOn) {
  Fault({{"name", "corrupt_crc"}, {"every", 1}});
  ASSERT_TRUE(AskMemory(0x10, 16));
  EXPECT_EQ(ReadChecked(18), kErrChecksumRead);
  EXPECT_EQ(ReceivedLength(), 18u);  // the whole reply came, only its checksum is wrong
  std::uint8_t bytes[16] = {};
  EXPECT_EQ(EepromRead(0x10, sizeof bytes, bytes), kCommFailure);
  Fault({{"name", "none"}});
  ExpectMemoryReadWorks();
}

TEST_P(LinkSim, TruncatedReplyFailsAfterOneRowWait) {
  Fault({{"name", "truncate"}, {"count", 1}, {"to", 10}});
  ASSERT_TRUE(AskMemory(0x10, 16));
  const long long took = FailingReadMs(10);
  EXPECT_GE(took, RowWaitMs(kShortRow) * 8 / 10);
  EXPECT_LT(took, RowWaitMs(kShortRow) + kSlackMs);
  ExpectMemoryReadWorks();
}

TEST_P(LinkSim, StallIsWaitedOutWithinTheRowAndFailsBeyondIt) {
  // A pause shorter than the row in force costs only time.
  Fault({{"name", "stall"}, {"count", 1}, {"ms", 300}, {"at", 8}});
  ASSERT_TRUE(AskMemory(0x10, 16, kLongRow));
  EXPECT_EQ(ReadChecked(18), 0);

  // A longer one fails after the row's wait, before the console goes on.
  Fault({{"name", "stall"}, {"count", 1}, {"ms", 1500}, {"at", 8}});
  ASSERT_TRUE(AskMemory(0x10, 16));
  EXPECT_LT(FailingReadMs(8), 1500);
  // The late end of that reply is cleared away by the next exchange, made
  // under a row long enough to outlast the pause.
  SelectLinkTimeout(kLongRow);
  ExpectMemoryReadWorks();
}

TEST_P(LinkSim, DroppedLinkFailsWithinTheRowThenWorksAgain) {
  Fault({{"name", "drop"}, {"after", 10}});  // the wake-up answer, the acknowledgement and 7 bytes
  ASSERT_TRUE(AskMemory(0x10, 16));
  // TCP/IP sees the connection closed (the receive-timeout code), the
  // serial and USB lines see silence.
  EXPECT_LT(FailingReadMs(7), RowWaitMs(kShortRow) + kSlackMs);
  if (GetParam() == Link::kTcp) {
    // Every exchange fails at once until the link is opened again.
    const auto start = Clock::now();
    std::uint8_t bytes[16];
    EXPECT_EQ(EepromRead(0x10, sizeof bytes, bytes), kCommFailure);
    EXPECT_LT(Ms(Clock::now() - start), 3 * RowWaitMs(kShortRow) + kSlackMs);
    ASSERT_EQ(CloseActiveLink(), 1);
    ASSERT_EQ(Open(), kSuccess);
    SelectLinkTimeout(kShortRow);
  }
  ExpectMemoryReadWorks();
}

TEST_P(LinkSim, RefusalAndWrongByteAreNotAcknowledged) {
  for (const char* fault : {"refuse", "wrong_byte"}) {
    Fault({{"name", fault}, {"count", 1}});
    SerialLastError() = 0;
    EXPECT_EQ(AckCommand("CLRBITS\n"), kCommFailure) << fault;
    EXPECT_EQ(SerialLastError(), kErrNotAcknowledged) << fault;
    EXPECT_EQ(AckCommand("CLRBITS\n"), kSuccess) << fault;
  }
}

INSTANTIATE_TEST_SUITE_P(Links, LinkSim, ::testing::Values(Link::kSerial, Link::kTcp, Link::kUsb),
                         [](const ::testing::TestParamInfo<Link>& info) {
                           switch (info.param) {
                             case Link::kSerial:
                               return std::string("serial");
                             case Link::kTcp:
                               return std::string("tcp");
                             case Link::kUsb:
                               return std::string("usb");
                           }
                           return std::string("unknown");
                         });

}  // namespace
