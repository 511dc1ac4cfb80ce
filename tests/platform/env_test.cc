#include "platform/env.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(FakeClock, SleepAdvancesBothTimesAtOnce) {
  platform::FakeClock clock(1000);
  clock.SleepMs(2500);
  EXPECT_EQ(clock.MonotonicMs(), 2500);
  EXPECT_EQ(clock.SecondsSince1970(), 1002);
  clock.AdvanceMs(600);
  EXPECT_EQ(clock.SecondsSince1970(), 1003);
  EXPECT_EQ(clock.SleepCount(), 1);
}

TEST(FakeClock, SettingWallTimeLeavesMonotonicTimeAlone) {
  platform::FakeClock clock;
  clock.SleepMs(10);
  clock.SetSecondsSince1970(5);
  EXPECT_EQ(clock.SecondsSince1970(), 5);
  EXPECT_EQ(clock.MonotonicMs(), 10);
}

TEST(FakeClock, LocalTimeIsTheUtcBreakdown) {
  platform::FakeClock clock;  // 2026-12-06 21:46:36
  platform::LocalTime t = clock.Now();
  EXPECT_EQ(t.year, 2026);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 6);
  EXPECT_EQ(t.hour, 21);
  EXPECT_EQ(t.minute, 46);
  EXPECT_EQ(t.second, 36);
}

TEST(FakeClock, HookSeesEverySleepAndMayStopALoop) {
  platform::FakeClock clock;
  std::atomic<bool> stop{false};
  clock.SetSleepHook([&](std::int64_t) {
    if (clock.SleepCount() == 3) stop = true;
  });
  int passes = 0;
  while (!stop) {
    ++passes;
    clock.SleepMs(1000);
  }
  EXPECT_EQ(passes, 3);
}

TEST(FakeClock, SleepsFromManyThreadsAreAllCounted) {
  platform::FakeClock clock(0);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&clock] {
      for (int n = 0; n < 1000; ++n) clock.SleepMs(1);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(clock.MonotonicMs(), 4000);
  EXPECT_EQ(clock.SleepCount(), 4000);
}

TEST(RealClock, MovesForwardAndGivesAPlausibleDate) {
  platform::Env& clock = platform::Env::Default();
  std::int64_t before = clock.MonotonicMs();
  clock.SleepMs(2);
  EXPECT_GE(clock.MonotonicMs(), before + 2);
  EXPECT_GT(clock.SecondsSince1970(), 1600000000);
  platform::LocalTime t = clock.Now();
  EXPECT_GE(t.month, 1);
  EXPECT_LE(t.month, 12);
}

// A long real sleep ends as soon as the stop is set from another thread, and
// a set flag makes later sleeps return at once.
TEST(RealClock, StopFlagCutsALongSleepShort) {
  platform::Env& clock = platform::Env::Default();
  platform::StopFlag stop;
  std::atomic<bool> waiting{false};
  std::int64_t slept = -1;
  std::thread sleeper([&] {
    waiting = true;
    const std::int64_t start = clock.MonotonicMs();
    clock.SleepMsUnless(60000, stop);
    slept = clock.MonotonicMs() - start;
  });
  while (!waiting) std::this_thread::yield();
  stop.Set();
  sleeper.join();
  EXPECT_LT(slept, 10000);
  EXPECT_TRUE(stop.IsSet());
  const std::int64_t start = clock.MonotonicMs();
  clock.SleepMsUnless(60000, stop);
  EXPECT_LT(clock.MonotonicMs() - start, 1000);
}

}  // namespace
