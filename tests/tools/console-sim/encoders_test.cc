// The simulator's replies checked byte by byte against the documented
// layouts, with values worked out by hand.
#include <gtest/gtest.h>

#include "tools/console-sim/console.h"
#include "tools/console-sim/crc16.h"
#include "tools/console-sim/links.h"
#include "tools/console-sim/session.h"

namespace consolesim {
namespace {

constexpr std::int64_t kStart = 1765188000;  // 2025-12-08 10:00:00

int Word(const std::string& p, int offset) {
  return GetLittle(p, offset, 2);
}
int Byte(const std::string& p, int offset) {
  return static_cast<unsigned char>(p[offset]);
}

TEST(Crc16, MatchesTheWorkedExamples) {
  EXPECT_EQ(Crc16("abc"), 0x9DD6);
  EXPECT_EQ(Crc16("123456789"), 0x31C3);
  std::string block = "abc";
  AppendCrc(block);
  EXPECT_EQ(block, std::string("abc\x9D\xD6"));
  EXPECT_EQ(Crc16(block), 0);
}

TEST(LivePacket, CarriesKnownReadingsAtTheirOffsets) {
  ManualClock clock(kStart);
  Console console(clock, {});
  console.SetReading("barometer", 29921);
  console.SetReading("outside_temp", -125);  // -12.5 °F
  console.SetReading("inside_hum", 44);
  console.SetReading("wind_dir", 348);
  console.SetReading("extra_temp1", 162);  // 72 °F
  console.SetReading("outside_hum", std::nullopt);
  console.SetReading("tx_battery", 0x02);
  console.SetReading("console_battery", 780);
  console.SetReading("sunrise", 632);
  const std::string p = console.LoopPacket();
  ASSERT_EQ(p.size(), 99u);
  EXPECT_EQ(p.substr(0, 3), "LOO");
  EXPECT_EQ(Byte(p, 4), 0);
  EXPECT_EQ(Word(p, 7), 29921);
  EXPECT_EQ(static_cast<std::int16_t>(Word(p, 12)), -125);
  EXPECT_EQ(Byte(p, 11), 44);
  EXPECT_EQ(Word(p, 16), 348);
  EXPECT_EQ(Byte(p, 18), 162);
  EXPECT_EQ(Byte(p, 33), 255);  // dashed
  EXPECT_EQ(Byte(p, 86), 0x02);
  EXPECT_EQ(Word(p, 87), 780);
  EXPECT_EQ(Word(p, 91), 632);
  EXPECT_EQ(p.substr(95, 2), "\n\r");
  EXPECT_EQ(Crc16(p), 0);
}

TEST(LivePacket, DeclaredSensorsOnlyAndSecondFormat) {
  ManualClock clock(kStart);
  Console console(clock, {});
  const std::string p = console.LoopPacket();
  // The default transmitters declare extra temperature 1, extra humidity 1
  // and soil sensor 1; every other extra sensor is dashed.
  EXPECT_NE(Byte(p, 18), 255);
  EXPECT_EQ(Byte(p, 19), 255);
  EXPECT_NE(Byte(p, 34), 255);
  EXPECT_EQ(Byte(p, 35), 255);
  EXPECT_NE(Byte(p, 25), 255);
  EXPECT_NE(Byte(p, 62), 255);
  EXPECT_EQ(Byte(p, 63), 255);

  console.SetReading("wind_avg2_tenths", 123);
  console.SetReading("wind_gust10", 17);
  console.SetReading("rain_hour", 4);
  console.SetReading("rain_24h", 31);
  console.SetReading("altimeter", 30012);
  const std::string second = console.LpsPacket();
  ASSERT_EQ(second.size(), 99u);
  EXPECT_EQ(Byte(second, 4), 1);
  EXPECT_EQ(Word(second, 20), 123);
  EXPECT_EQ(Word(second, 22), 17);
  EXPECT_EQ(Word(second, 54), 4);
  EXPECT_EQ(Word(second, 58), 31);
  EXPECT_EQ(Word(second, 69), 30012);
  EXPECT_EQ(Crc16(second), 0);
}

TEST(HiLows, LaysOutTrackedAndFixedExtremes) {
  ManualClock clock(kStart);
  Console console(clock, {});
  console.Freeze(true);
  console.SetExtreme("outside_temp", Slot::kDayHigh, 812);
  console.SetExtreme("outside_temp", Slot::kDayLowTime, 0x8000);
  console.SetExtreme("barometer", Slot::kYearLow, 29001);
  console.SetExtreme("wind_speed", Slot::kDayHigh, 33);
  console.SetExtreme("wind_speed", Slot::kDayHighTime, 1415);
  console.SetExtreme("extra_temp2", Slot::kMonthHigh, 150);
  console.SetExtreme("outside_hum", Slot::kDayLow, 21);
  console.SetExtreme("leaf_wet1", Slot::kYearHigh, 9);
  const std::string p = console.hi_lows();
  ASSERT_EQ(p.size(), 438u);
  EXPECT_EQ(Crc16(p), 0);
  EXPECT_EQ(Word(p, 49), 812);
  EXPECT_EQ(Word(p, 51), 0x8000);
  EXPECT_EQ(Word(p, 8), 29001);
  EXPECT_EQ(Byte(p, 16), 33);
  EXPECT_EQ(Word(p, 17), 1415);
  EXPECT_EQ(Byte(p, 217), 150);
  EXPECT_EQ(Byte(p, 276), 21);
  EXPECT_EQ(Byte(p, 428), 9);
  // Sensors never measured stay dashed.
  EXPECT_EQ(Byte(p, 127), 255);  // extra temperature 2 day low
}

TEST(Memory, ReadsCarryTheChecksumAndWritesLand) {
  ManualClock clock(kStart);
  Console console(clock, {});
  const auto units = console.MemoryRead(41, 2);
  ASSERT_TRUE(units);
  EXPECT_EQ(*units, std::string("\x00\xFF", 2) + units->substr(2));
  EXPECT_EQ(Crc16(*units), 0);
  EXPECT_EQ(Byte(*console.MemoryRead(45, 1), 0), 5);
  EXPECT_FALSE(console.MemoryRead(4090, 7));
  EXPECT_TRUE(console.MemoryWrite(11, std::string("\x10\x01", 2)));
  EXPECT_EQ(Word(console.memory(), 11), 0x0110);
}

TEST(Archive, PagesNumberedWithTheFirstNewRecord) {
  ManualClock clock(kStart);
  Console console(clock, {});
  console.Freeze(true);
  for (int i = 0; i < 7; ++i)
    console.AddArchiveRecord({{"date", 6000}, {"time", 100 + i}, {"outside_temp", 500 + i}});
  const Console::DumpHeader header = console.StartDump(6000, 102);  // records 103..106 are newer
  EXPECT_EQ(header.pages, 2);
  EXPECT_EQ(header.first_index, 3);
  const std::string page = console.DumpPage(header, 0);
  ASSERT_EQ(page.size(), 267u);
  EXPECT_EQ(Crc16(page), 0);
  EXPECT_EQ(Byte(page, 0), 0);
  EXPECT_EQ(Word(page, 1 + 3 * 52 + 2), 103);
  EXPECT_EQ(Word(page, 1 + 3 * 52 + 4), 503);
  const std::string last = console.DumpPage(header, 1);
  EXPECT_EQ(Byte(last, 0), 1);
  EXPECT_EQ(Word(last, 1 + 52 + 2), 106);
  EXPECT_EQ(Word(last, 1 + 2 * 52 + 2), 0xFFFF);  // an unwritten slot
  EXPECT_EQ(console.StartDump(6000, 106).pages, 0);
}

TEST(Discovery, ReplyIsThirtyOneBytesWithTheIdentifier) {
  const std::string reply = DiscoveryReply({0x00, 0x1D, 0x0A, 0x00, 0x12, 0x34}, 0x1F40);
  ASSERT_EQ(reply.size(), 31u);
  EXPECT_EQ(reply.substr(0, 12), "discovernbip");
  EXPECT_EQ(reply.substr(12, 6), std::string("\x00\x1D\x0A\x00\x12\x34", 6));
}

// Feeds a command to a session and gathers every byte answered.
std::string Ask(Session& session, const std::string& bytes) {
  std::string out;
  for (unsigned char b : bytes)
    for (const Chunk& chunk : session.Feed(b, 0).chunks) out += chunk.bytes;
  return out;
}

TEST(Session, FramesEveryExchangeKind) {
  ManualClock clock(kStart);
  Console console(clock, {});
  Faults faults;
  Session session(console, faults, [](const std::string&) {});
  EXPECT_EQ(Ask(session, "\n"), "\n\r");
  EXPECT_EQ(Ask(session, "NVER\n"), "\n\rOK\n\r1.90\n\r");
  EXPECT_EQ(Ask(session, "CLRALM\n"), "\n\rOK\n\rDONE\n\r");
  EXPECT_EQ(Ask(session, "WRD\x12\x4D\r"), "\x06\x10");
  EXPECT_EQ(Ask(session, "NOSUCH\n"), "");
  EXPECT_EQ(Ask(session, "RXCHECK\n").size(), 106u);
  // A memory write: acknowledged, then the block and its CRC, acknowledged.
  EXPECT_EQ(Ask(session, "EEBWR 2D 1\n"), "\x06");
  std::string block = "\x0A";
  AppendCrc(block);
  EXPECT_EQ(Ask(session, block), "\x06");
  EXPECT_EQ(console.ArchivePeriod(), 10);
  // A block with a bad CRC is refused and not written.
  Ask(session, "EEBWR 2D 1\n");
  EXPECT_EQ(Ask(session, std::string("\x05\x00\x00", 3)), "\x18");
  EXPECT_EQ(console.ArchivePeriod(), 10);
  // SETTIME then GETTIME.
  EXPECT_EQ(Ask(session, "SETTIME\n"), "\x06");
  std::string time = {0, 30, 14, 24, 12, 126};
  AppendCrc(time);
  EXPECT_EQ(Ask(session, time), "\x06");
  const std::string now = Ask(session, "GETTIME\n");
  ASSERT_EQ(now.size(), 9u);
  EXPECT_EQ(now.substr(2, 5), std::string({30, 14, 24, 12, 126}));
  EXPECT_EQ(Crc16(now.substr(1)), 0);
}

TEST(Session, FaultsShapeTheAnswers) {
  ManualClock clock(kStart);
  Console console(clock, {});
  Faults faults;
  Session session(console, faults, [](const std::string&) {});
  faults.asleep = 2;
  EXPECT_EQ(Ask(session, "\n"), "");
  EXPECT_EQ(Ask(session, "\n"), "");
  EXPECT_EQ(Ask(session, "\n"), "\n\r");
  faults.refuse = 1;
  EXPECT_EQ(Ask(session, "LOOP 1\n"), "\x15");
  EXPECT_EQ(Ask(session, "LOOP 1\n").size(), 100u);
  faults.refuse = 1;
  EXPECT_EQ(Ask(session, "CLRGRA\n"), "\n\rNO\n\r");  // and no "DONE"
  faults.silent = 1;
  EXPECT_EQ(Ask(session, "\n"), "\n\r");
  EXPECT_EQ(Ask(session, "EEBWR 0 2\n"), "");
  EXPECT_EQ(Ask(session, "VER\n").substr(0, 6),
            "\n\rOK\n\r");  // the silenced write expects no block
  faults.wrong_byte = 1;
  faults.wrong_byte_value = 0x21;
  EXPECT_EQ(Ask(session, "HILOWS\n"), "\x21");
  faults.corrupt_every = 2;
  EXPECT_EQ(Crc16(Ask(session, "LOOP 1\n").substr(1)), 0);
  EXPECT_NE(Crc16(Ask(session, "LOOP 1\n").substr(1)), 0);
  faults.corrupt_every = 0;
  faults.truncate = 1;
  faults.truncate_to = 40;
  EXPECT_EQ(Ask(session, "LOOP 1\n").size(), 41u);
  EXPECT_EQ(Ask(session, "LOOP 1\n").size(), 100u);
  faults.stall = 1;
  faults.stall_ms = 700;
  faults.stall_at = 50;
  std::string bytes;
  const std::string command = "HILOWS\n";
  std::vector<Chunk> chunks;
  for (unsigned char b : command)
    for (Chunk& c : session.Feed(b, 0).chunks) chunks.push_back(c);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[1].bytes.size(), 50u);
  EXPECT_EQ(chunks[2].delay_ms, 700);
  faults.drop_after = 30;
  Output out;
  for (unsigned char b : std::string("LOOP 1\n")) out = session.Feed(b, 0);
  EXPECT_TRUE(out.drop);
  std::size_t sent = 0;
  for (const Chunk& c : out.chunks) sent += c.bytes.size();
  EXPECT_EQ(sent, 30u);
}

}  // namespace
}  // namespace consolesim
