// The console model over simulated days: extremes roll over at midnight,
// the archive follows the period, and the clock can be set.
#include <gtest/gtest.h>

#include "tools/console-sim/console.h"
#include "tools/console-sim/session.h"

namespace consolesim {
namespace {

constexpr std::int64_t kEvening = 1765227600;  // 2025-12-08 21:00:00

int word(const std::string& p, int offset) { return getLittle(p, offset, 2); }

TEST(ConsoleModel, DayExtremesRestartAtMidnightMonthOnesCarryOn) {
  ManualClock clock(kEvening);
  Console console(clock, {});
  console.setReading("outside_temp", 900);
  clock.advance(600);
  console.update();
  console.releaseReading("outside_temp");
  clock.advance(4 * 3600);  // past midnight, to 01:10
  console.update();
  const std::string p = console.hiLows();
  EXPECT_LT(static_cast<std::int16_t>(word(p, 49)), 900);  // today's high: generated weather only
  EXPECT_EQ(word(p, 55), 900);                              // the month high keeps it
  EXPECT_EQ(word(p, 59), 900);                              // and the year high
  EXPECT_LE(word(p, 53), 110);                              // the day high came after midnight
}

TEST(ConsoleModel, ClearsAndArchivePeriod) {
  ManualClock clock(kEvening);
  Console console(clock, {});
  clock.advance(1800);
  console.update();
  EXPECT_EQ(console.archiveSize(), 6u);
  console.clearExtremes(true, 1);
  EXPECT_FALSE(console.extreme("outside_temp", Slot::MonthHigh));
  EXPECT_TRUE(console.extreme("outside_temp", Slot::DayHigh));
  console.clearArchive();
  EXPECT_EQ(console.archiveSize(), 0u);
  EXPECT_EQ(console.startDump(0, 0).pages, 0);
  console.memoryWrite(45, std::string(1, 10));
  clock.advance(3600);
  console.update();
  EXPECT_EQ(console.archiveSize(), 6u);
  // A cleared archive starts on a fresh page.
  const Console::DumpHeader all = console.startDump(0, 0);
  EXPECT_EQ(all.pages, 2);
  EXPECT_EQ(all.firstIndex, 0);
}

TEST(ConsoleModel, OlderFirmwareUsesTheOlderRecordLayout) {
  ManualClock clock(kEvening);
  ConsoleOptions options;
  options.firmware.date = "Jan 20 2002";
  Console console(clock, options);
  EXPECT_FALSE(console.newArchiveLayout());
  const std::string old = console.encodeRecord({{"soil_moist1", 33}, {"extra_hum1", 71}});
  EXPECT_EQ(old[31], 33);
  EXPECT_EQ(old[45], 71);
  console.firmware().date = "Mar  1 2002";
  EXPECT_TRUE(console.newArchiveLayout());
  const std::string newer = console.encodeRecord({{"soil_moist1", 33}, {"extra_hum1", 71}});
  EXPECT_EQ(newer[48], 33);
  EXPECT_EQ(newer[43], 71);
}

TEST(ConsoleModel, TransmitterConfigurationDeclaresSensors) {
  ManualClock clock(kEvening);
  Console console(clock, {});
  EXPECT_FALSE(console.readings().count("extra_temp2"));
  // Transmitter 4: extra temperature 2 and extra humidity 3.
  console.memoryWrite(25 + 6, std::string("\x43\x23", 2));
  const Readings r = console.readings();
  EXPECT_TRUE(r.count("extra_temp2"));
  EXPECT_TRUE(r.count("extra_hum3"));
  EXPECT_FALSE(r.count("extra_hum2"));
}

std::string ask(Session& session, const std::string& bytes) {
  std::string out;
  for (unsigned char b : bytes)
    for (const Chunk& chunk : session.feed(b, 0).chunks) out += chunk.bytes;
  return out;
}

TEST(ConsoleModel, ClearCommandsReachTheModel) {
  ManualClock clock(kEvening);
  Console console(clock, {});
  Faults faults;
  Session session(console, faults, [](const std::string&) {});
  clock.advance(900);
  console.update();
  ASSERT_EQ(console.archiveSize(), 3u);
  EXPECT_EQ(ask(session, "CLRLOG\n"), "\x06");
  EXPECT_EQ(console.archiveSize(), 0u);
  EXPECT_EQ(ask(session, "CLRLOWS 0\n"), "\x06");
  EXPECT_FALSE(console.extreme("outside_temp", Slot::DayLow));
  EXPECT_TRUE(console.extreme("outside_temp", Slot::DayHigh));
  EXPECT_EQ(ask(session, "PUTRAIN 1234\n"), "\x06");
  clock.advance(10);
  console.update();
  EXPECT_GE(console.readings().at("year_rain"), 1234);
  EXPECT_EQ(ask(session, "CLRVAR 3\n"), "\x06");
  EXPECT_LT(console.readings().at("year_rain"), 1234);
  console.memoryWrite(50, std::string(27, '\x05'));
  EXPECT_EQ(ask(session, "CLRCAL\n"), "\n\rOK\n\rDONE\n\r");
  EXPECT_EQ(console.memory().substr(50, 27), std::string(27, '\0'));
  EXPECT_EQ(ask(session, "SETPER 15\n"), "\n\rOK\n\r");
  EXPECT_EQ(console.archivePeriod(), 15);
  // An escape right after the transfer header ends the transfer.
  console.addArchiveRecord({{"date", 100}, {"time", 100}});
  ask(session, "DMPAFT\n");
  const std::string header = ask(session, std::string("\0\0\0\0\0\0", 6));
  ASSERT_EQ(header.size(), 7u);
  EXPECT_EQ(ask(session, "\x1B"), "");
  EXPECT_EQ(ask(session, "\n"), "\n\r");
}

}  // namespace
}  // namespace consolesim
