// The soak's clock: simulated time jumps only when every participant sleeps.
#include "tests/support/event_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/env_mutex.h"
#include "platform/net.h"

namespace {

namespace net = platform::net;
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

// Waits for the agent's own threads are asleep too: a thread blocked on a lock
// whose holder sleeps, a thread waiting for another's flag, and a thread just
// started (counted at work before it first runs, so no jump outruns it).
TEST(EventClock, LockWaitersFlagWaitersAndNewThreadsSleepOnTheClock) {
  EventClock clock;
  platform::EnvMutex lock(clock);
  platform::StopFlag done, stop;
  const auto start = steady_clock::now();
  std::int64_t got_lock_at = -1;
  std::thread holder = clock.StartThread([&] {
    std::lock_guard<platform::EnvMutex> hold(lock);
    clock.SleepMs(600000);  // holds it for ten simulated minutes
  });
  std::thread waiter = clock.StartThread([&] {
    clock.SleepMs(1000);
    std::lock_guard<platform::EnvMutex> hold(lock);
    got_lock_at = clock.MonotonicMs();
    clock.SleepMs(60000);
    done.Set();
  });
  EXPECT_TRUE(clock.WaitForFlag(done, &stop, 3600000));
  const std::int64_t done_at = clock.MonotonicMs();
  holder.join();
  waiter.join();
  EXPECT_GE(got_lock_at, 600000);
  EXPECT_GE(done_at, 660000);
  EXPECT_LT(done_at, 700000);  // the flag ended the wait, not its hour
  stop.Set();
  platform::StopFlag never;
  EXPECT_FALSE(clock.WaitForFlag(never, &stop, 3600000));  // the stop ends it at once
  EXPECT_LT(clock.MonotonicMs(), 700000);
  EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(5));
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

// A command and its answer over loopback: the answer, 300 ms later, is seen
// within a 1000 ms wait (no jump passes a command that was not read yet), and
// each wait for a line that stays quiet costs no real time.
TEST(EventClock, WaitsForBytesWithoutJumpingPastThem) {
  net::Listener listener = net::ListenTcp();
  ASSERT_TRUE(listener.ok());
  net::SocketResult client =
      net::ConnectTcp("127.0.0.1", listener.port, net::DeadlineAfter(std::chrono::seconds(5)));
  ASSERT_TRUE(client.ok());
  net::SocketResult served =
      net::AcceptTcp(listener.socket, net::DeadlineAfter(std::chrono::seconds(5)));
  ASSERT_TRUE(served.ok());

  EventClock clock;
  clock.ExpectParticipants(2);
  const auto start = steady_clock::now();
  std::thread console([&] {
    char byte;
    while (clock.WaitReadable(served.socket.fd(), -1) > 0 &&
           net::ReceiveNow(served.socket, &byte, 1).ok()) {
      clock.SleepMs(300);
      net::SendNow(served.socket, &byte, 1);
    }
    clock.Leave();
  });
  constexpr int kCommands = 20;
  int answered = 0, quiet = 0;
  for (char command = 0; command < kCommands; ++command) {
    net::SendNow(client.socket, &command, 1);
    char answer = -1;
    if (clock.WaitReadable(client.socket.fd(), 1000) == 1 &&
        net::ReceiveNow(client.socket, &answer, 1).ok() && answer == command)
      ++answered;
    if (clock.WaitReadable(client.socket.fd(), 50) == 0) ++quiet;
  }
  client.socket.Close();
  console.join();
  EXPECT_EQ(answered, kCommands);
  EXPECT_EQ(quiet, kCommands);
  EXPECT_GE(clock.MonotonicMs(), kCommands * 350);
  EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(3));
}

}  // namespace
