#include <gtest/gtest.h>

#include <cstring>

#include "stationlib/link/discovery.h"
#include "stationlib/link/exchange.h"

namespace {

using namespace orbisk::link;

TEST(LinkCrc, KnownValueAndSelfCheck) {
  const std::uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(Crc16(abc, 3), 0x9DD6);
  const std::uint8_t block[] = {'a', 'b', 'c', 0x9D, 0xD6};
  EXPECT_EQ(Crc16(block, 5), 0);
  EXPECT_EQ(Crc16(nullptr, 0), 0);
}

TEST(LinkDiscovery, ReplyMustBe31BytesWithProbePrefix) {
  std::uint8_t reply[32] = {};
  std::memcpy(reply, "discovernbip", 12);
  const std::uint8_t id[] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0xEF};
  std::memcpy(reply + 12, id, 6);
  EXPECT_EQ(ParseDiscoveryReply(reply, 31).value_or(""), "00:1A:2B:3C:4D:EF");
  EXPECT_FALSE(ParseDiscoveryReply(reply, 30));
  EXPECT_FALSE(ParseDiscoveryReply(reply, 32));
  reply[0] = 'D';
  EXPECT_FALSE(ParseDiscoveryReply(reply, 31));
  EXPECT_TRUE(IsDeviceIdentifier("00:1A:2B:3C:4D:EF"));
  EXPECT_FALSE(IsDeviceIdentifier("127.0.0.1"));
}

}  // namespace

namespace {

TEST(LinkExchange, EveryStepFailsCleanlyWithoutTransport) {
  using namespace orbisk::link;
  EXPECT_FALSE(WakeUp());
  EXPECT_FALSE(ExpectAck());
  EXPECT_EQ(ReadChecked(10), -1);
  EXPECT_EQ(ReadRaw(1), -1);
  EXPECT_EQ(EepromRead(0, 4, nullptr), -32701);
  EXPECT_EQ(EepromWrite(0, 0, nullptr), -32703);
  EXPECT_EQ(AckCommand("CLRBITS\n"), -32701);
}

}  // namespace
