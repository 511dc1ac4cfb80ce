#include "agent/acquisition/pacing.h"

#include <gtest/gtest.h>

#include "tests/agent/acquisition/engine_fixture.h"

namespace agent::testing {
namespace {

TEST(Pacing, AutomaticPausesAsLongAsThePassAtLeast2500) {
  PacingDecision short_pass = DecidePacing(0, 1000, 0);
  EXPECT_TRUE(short_pass.automatic);
  EXPECT_EQ(short_pass.pause_ms, 2500);
  EXPECT_EQ(short_pass.announced_seconds, 2);
  EXPECT_EQ(DecidePacing(0, 1000, 90).announced_seconds, 92);
  EXPECT_EQ(DecidePacing(0, 7900, 0).pause_ms, 7000);
  // A negative refresh is automatic pacing too.
  EXPECT_TRUE(DecidePacing(-5000, 0, 0).automatic);
  PacingDecision fixed = DecidePacing(10000, 4000, 90);
  EXPECT_FALSE(fixed.automatic);
  EXPECT_EQ(fixed.pause_ms, 10000);
  EXPECT_EQ(fixed.announced_seconds, 10);
}

TEST(Pacing, ClockTimesWrapAtMidnight) {
  platform::LocalTime now;
  now.hour = 21;
  now.minute = 46;
  now.second = 36;
  EXPECT_EQ(FormatClockTime(now), "21h46m36s");
  EXPECT_EQ(FormatClockTime(now, 92), "21h48m08s");
  now.hour = 23;
  now.minute = 59;
  EXPECT_EQ(FormatClockTime(now, 30), "00h00m06s");
}

TEST(ConnectionTimeout, AbsentOrNotPositiveIsTenSeconds) {
  EXPECT_EQ(ConnectionTimeoutMs(0), 10000);
  EXPECT_EQ(ConnectionTimeoutMs(-3), 10000);
  EXPECT_EQ(ConnectionTimeoutMs(2), 2000);
  EXPECT_EQ(ConnectionTimeoutMs(3000000), 3000000000LL);  // no 32-bit overflow
}

using EnginePacingTest = EngineFixture;

TEST_F(EnginePacingTest, FailedCollectionsRaiseEveryLaterAnnouncement) {
  Configure(
      "[CONSOLE]\ntype=IP\nadresse=127.0.0.1@22222\nOffsetService=30\n"
      "[SERVICES]\nCurrentData=0\n");
  int attempts = 0;
  services_.SetCollector("CurrentData", [&](StationLibrary&) {
    clock_.AdvanceMs(1000);
    return ++attempts <= 3 ? 0 : 1;
  });
  for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(Engine().RunPass(), 2500);
  EXPECT_EQ(Engine().OffsetTotal(), 90);
  EXPECT_EQ(Tag("TempProchaineCollecte"), "92");
  EXPECT_EQ(Engine().RunPass(), 2500);  // a success does not lower it
  EXPECT_EQ(Tag("TempProchaineCollecte"), "92");
  EXPECT_EQ(JournalCount("Prochaine collecte des données dans 92 secondes. "), 2u);
  EXPECT_EQ(context_->state.pass_collection_count.Get(), 1);
  platform::LocalTime now = clock_.Now();
  EXPECT_EQ(Tag("TempCollecteActuel"), FormatClockTime(now));
  EXPECT_EQ(Tag("HeureProchaineCollecte"), FormatClockTime(now, 92));
}

TEST_F(EnginePacingTest, SixtySecondServiceWithTenSecondPasses) {
  Configure(
      "[GENERAL]\nRefreshServices=10\n[CONSOLE]\ntype=IP\nadresse=127.0.0.1@22222\n"
      "[SERVICES]\nCurrentData=60\n");
  std::vector<std::int64_t> collected_at;
  services_.SetCollector("CurrentData", [&](StationLibrary&) {
    collected_at.push_back(clock_.MonotonicMs());
    return 1;
  });
  for (int pass = 0; pass < 13; ++pass) clock_.SleepMs(Engine().RunPass());
  EXPECT_EQ(collected_at, (std::vector<std::int64_t>{0, 60000, 120000}));
  EXPECT_EQ(Tag("TempProchaineCollecte"), "10");
  EXPECT_EQ(JournalCount("Prochaine collecte"), 0u);
}

TEST_F(EnginePacingTest, HiLowAloneIsCollectedAtEveryPassAndAClockStepBackDelaysNothing) {
  Configure(
      "[GENERAL]\nRefreshServices=5\n[CONSOLE]\ntype=IP\nadresse=127.0.0.1@22222\n"
      "[SERVICES]\nHiLow=0\n");
  ASSERT_EQ(services_.Declared().size(), 1u);
  int collections = 0;
  services_.SetCollector("HiLow", [&](StationLibrary&) { return ++collections, 1; });
  for (int pass = 0; pass < 4; ++pass) {
    if (pass == 2) clock_.SetSecondsSince1970(clock_.SecondsSince1970() - 3600);
    clock_.SleepMs(Engine().RunPass());
  }
  EXPECT_EQ(collections, 4);
}

TEST_F(EnginePacingTest, AClockStepBackKeepsTheSchedule) {
  Configure(
      "[GENERAL]\nRefreshServices=10\n[CONSOLE]\ntype=IP\nadresse=127.0.0.1@22222\n"
      "[SERVICES]\nCurrentData=30\n");
  int collections = 0;
  services_.SetCollector("CurrentData", [&](StationLibrary&) { return ++collections, 1; });
  for (int pass = 0; pass < 7; ++pass) {
    if (pass == 1) clock_.SetSecondsSince1970(clock_.SecondsSince1970() - 3600);
    clock_.SleepMs(Engine().RunPass());
  }
  // Passes at 0, 10, ..., 60 s: collected at 0, 30 and 60.
  EXPECT_EQ(collections, 3);
}

}  // namespace
}  // namespace agent::testing
