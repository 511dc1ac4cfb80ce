// The console model over simulated days: extremes roll over at midnight,
// the archive follows the period, and the clock can be set.
#include <gtest/gtest.h>

#include "tools/console-sim/console.h"
#include "tools/console-sim/session.h"

namespace consolesim {
namespace {

constexpr std::int64_t kEvening = 1765227600;  // 2025-12-08 21:00:00

int Word(const std::string& p, int offset) {
  return GetLittle(p, offset, 2);
}

TEST(ConsoleModel, DayExtremesRestartAtMidnightMonthOnesCarryOn) {
  ManualClock clock(kEvening);
  Console console(clock, {});
  console.SetReading("outside_temp", 900);
  clock.Advance(600);
  console.Update();
  console.ReleaseReading("outside_temp");
  clock.Advance(4 * 3600);  // past midnight, to 01:10
  console.Update();
  const std::string p = console.hi_lows();
  EXPECT_LT(static_cast<std::int16_t>(Word(p, 49)), 900);  // today's high: generated weather only
  EXPECT_EQ(Word(p, 55), 900);                             // the month high keeps it
  EXPECT_EQ(Word(p, 59), 900);                             // and the year high
  EXPECT_LE(Word(p, 53), 110);                             // the day high came after midnight
}

TEST(ConsoleModel, ClearsAndArchivePeriod) {
  ManualClock clock(kEvening);
  Console console(clock, {});
  clock.Advance(1800);
  console.Update();
  EXPECT_EQ(console.ArchiveSize(), 6u);
  console.ClearExtremes(true, 1);
  EXPECT_FALSE(console.extreme("outside_temp", Slot::kMonthHigh));
  EXPECT_TRUE(console.extreme("outside_temp", Slot::kDayHigh));
  console.ClearArchive();
  EXPECT_EQ(console.ArchiveSize(), 0u);
  EXPECT_EQ(console.StartDump(0, 0).pages, 0);
  console.MemoryWrite(45, std::string(1, 10));
  clock.Advance(3600);
  console.Update();
  EXPECT_EQ(console.ArchiveSize(), 6u);
  // A cleared archive starts on a fresh page.
  const Console::DumpHeader all = console.StartDump(0, 0);
  EXPECT_EQ(all.pages, 2);
  EXPECT_EQ(all.first_index, 0);
}

TEST(ConsoleModel, HistoryDaysFillTheRingUpToThePresent) {
  ManualClock clock(kEvening);
  ConsoleOptions options;
  options.history_days = 1;
  Console day(clock, options);
  EXPECT_EQ(day.ArchiveSize(), 288u);  // 5-minute records of the past day
  // The newest record ends at the present period's start, with today's weather in it.
  const Console::DumpHeader all = day.StartDump(0, 0);
  const std::string last = day.DumpPage(all, all.pages - 1);
  const int slot = (all.first_index + 287) % 5;
  EXPECT_EQ(Word(last, 1 + 52 * slot + 2), 2100);  // stamped 21:00
  EXPECT_NEAR(static_cast<std::int16_t>(Word(last, 1 + 52 * slot + 4)),
              day.readings().at("outside_temp"), 20);  // tenths of °F
  options.archive_period = 1;
  options.history_days = 2;
  EXPECT_EQ(Console(clock, options).ArchiveSize(),
            static_cast<std::size_t>(Console::kArchiveCapacity));
}

TEST(ConsoleModel, OlderFirmwareUsesTheOlderRecordLayout) {
  ManualClock clock(kEvening);
  ConsoleOptions options;
  options.firmware.date = "Jan 20 2002";
  Console console(clock, options);
  EXPECT_FALSE(console.NewArchiveLayout());
  const std::string old = console.EncodeRecord({{"soil_moist1", 33}, {"extra_hum1", 71}});
  EXPECT_EQ(old[31], 33);
  EXPECT_EQ(old[45], 71);
  console.firmware().date = "Mar  1 2002";
  EXPECT_TRUE(console.NewArchiveLayout());
  const std::string newer = console.EncodeRecord({{"soil_moist1", 33}, {"extra_hum1", 71}});
  EXPECT_EQ(newer[48], 33);
  EXPECT_EQ(newer[43], 71);
}

TEST(ConsoleModel, TransmitterConfigurationDeclaresSensors) {
  ManualClock clock(kEvening);
  Console console(clock, {});
  EXPECT_FALSE(console.readings().count("extra_temp2"));
  // Transmitter 4: extra temperature 2 and extra humidity 3.
  console.MemoryWrite(25 + 6, std::string("\x43\x23", 2));
  const Readings r = console.readings();
  EXPECT_TRUE(r.count("extra_temp2"));
  EXPECT_TRUE(r.count("extra_hum3"));
  EXPECT_FALSE(r.count("extra_hum2"));
}

std::string Ask(Session& session, const std::string& bytes) {
  std::string out;
  for (unsigned char b : bytes)
    for (const Chunk& chunk : session.Feed(b, 0).chunks) out += chunk.bytes;
  return out;
}

TEST(ConsoleModel, ClearCommandsReachTheModel) {
  ManualClock clock(kEvening);
  Console console(clock, {});
  Faults faults;
  Session session(console, faults, [](const std::string&) {});
  clock.Advance(900);
  console.Update();
  ASSERT_EQ(console.ArchiveSize(), 3u);
  EXPECT_EQ(Ask(session, "CLRLOG\n"), "\x06");
  EXPECT_EQ(console.ArchiveSize(), 0u);
  EXPECT_EQ(Ask(session, "CLRLOWS 0\n"), "\x06");
  EXPECT_FALSE(console.extreme("outside_temp", Slot::kDayLow));
  EXPECT_TRUE(console.extreme("outside_temp", Slot::kDayHigh));
  EXPECT_EQ(Ask(session, "PUTRAIN 1234\n"), "\x06");
  clock.Advance(10);
  console.Update();
  EXPECT_GE(console.readings().at("year_rain"), 1234);
  EXPECT_EQ(Ask(session, "CLRVAR 3\n"), "\x06");
  EXPECT_LT(console.readings().at("year_rain"), 1234);
  console.MemoryWrite(50, std::string(27, '\x05'));
  EXPECT_EQ(Ask(session, "CLRCAL\n"), "\n\rOK\n\rDONE\n\r");
  EXPECT_EQ(console.memory().substr(50, 27), std::string(27, '\0'));
  EXPECT_EQ(Ask(session, "SETPER 15\n"), "\n\rOK\n\r");
  EXPECT_EQ(console.ArchivePeriod(), 15);
  // An escape right after the transfer header ends the transfer.
  console.AddArchiveRecord({{"date", 100}, {"time", 100}});
  Ask(session, "DMPAFT\n");
  const std::string header = Ask(session, std::string("\0\0\0\0\0\0", 6));
  ASSERT_EQ(header.size(), 7u);
  EXPECT_EQ(Ask(session, "\x1B"), "");
  EXPECT_EQ(Ask(session, "\n"), "\n\r");
}

}  // namespace
}  // namespace consolesim
