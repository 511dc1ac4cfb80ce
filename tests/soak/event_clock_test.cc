// The soak's clock: simulated time jumps only when every participant sleeps.
#include "tests/support/event_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using std::chrono::steady_clock;
using test_support::EventClock;

TEST(EventClock, JumpsWhenEveryParticipantSleeps) {
  EventClock clock;
  clock.ExpectParticipants(2);
  const auto start = steady_clock::now();
  auto sleeper = [&clock] {
    for (int i = 0; i < 50; ++i) clock.SleepMs(10000);
    clock.Leave();
  };
  std::thread other(sleeper);
  sleeper();
  other.join();
  EXPECT_GE(clock.MonotonicMs(), 500000);
  EXPECT_EQ(clock.SecondsSince1970(), 1796593596 + clock.MonotonicMs() / 1000);
  EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(EventClock, StandsStillWhileAParticipantWorks) {
  EventClock clock;
  clock.Join();  // this thread works first
  std::int64_t woke_at = -1;
  std::thread sleeper([&] {
    clock.SleepMs(60000);
    woke_at = clock.MonotonicMs();
    clock.Leave();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // real work, real time
  const std::int64_t after_work = clock.MonotonicMs();
  EXPECT_GE(after_work, 200);
  EXPECT_LT(after_work, 5000);  // the sleeper's minute did not pass meanwhile
  clock.SleepMs(120000);        // now everyone sleeps: the minute passes at once
  sleeper.join();
  EXPECT_GE(woke_at, 60000);
  EXPECT_LT(woke_at, 120000);
  EXPECT_GE(clock.MonotonicMs(), 120000);
}

TEST(EventClock, ReleaseEndsEverySleep) {
  EventClock clock;
  clock.Join();
  std::thread sleeper([&clock] { clock.SleepMs(3600000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  clock.Release();
  sleeper.join();
  clock.SleepMs(3600000);  // returns at once too
  EXPECT_LT(clock.MonotonicMs(), 3600000);
}

}  // namespace
