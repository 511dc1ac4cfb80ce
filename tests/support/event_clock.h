// A clock for tests that run several engine threads on one simulated time.
// Time runs with the real clock while any participant works, and jumps ahead
// to the earliest wake-up as soon as every participant sleeps: an engine that
// sleeps 1000 ms costs no real second, while a real network wait still counts
// as the time it really took.
//
// A participant also sleeps while it waits for bytes on a descriptor through
// WaitReadable, as long as nothing can be read there: a wait for a reply that
// never comes costs no real time, and a reply that comes is seen at once.
//
// A participant waiting through WaitForFlag is asleep the same way (a flag's
// descriptor is readable once it is set), and one blocked in WaitUntil (an
// EnvMutex held by another) is asleep until a NotifyAll on its condition.
//
// A participant is a thread that has called one of these waits or Join at
// least once, or was started by StartThread, until it calls Leave or ends. No
// jump is made before `ExpectParticipants` threads have joined. The clock must
// outlive them.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "platform/env.h"

namespace test_support {

class EventClock final : public platform::EnvWrapper {
 public:
  // Starts at `seconds_since_1970` (default 2026-12-06 21:46:36 UTC).
  explicit EventClock(std::int64_t seconds_since_1970 = 1796593596);
  ~EventClock() override;
  EventClock(const EventClock&) = delete;
  EventClock& operator=(const EventClock&) = delete;

  std::int64_t MonotonicMs() override;
  std::int64_t SecondsSince1970() override;
  // The UTC breakdown of SecondsSince1970, so tests need no time zone.
  platform::LocalTime Now() override;
  void SleepMs(std::int64_t ms) override;
  void SleepMsUnless(std::int64_t ms, platform::StopFlag& stop) override {
    if (!stop.IsSet()) SleepMs(ms);
  }
  // Only for descriptors whose bytes come from participants over loopback
  // TCP sockets with TCP_NODELAY on both ends (see TryJumpLocked).
  int WaitReadable(int fd, std::int64_t timeout_ms) override;
  bool WaitForFlag(const platform::StopFlag& flag, const platform::StopFlag* stop,
                   std::int64_t timeout_ms) override;
  void WaitUntil(std::unique_lock<std::mutex>& held, std::condition_variable& cv,
                 const std::function<bool()>& ready) override;
  void NotifyAll(std::condition_variable& cv) override;
  std::thread StartThread(std::function<void()> body) override;

  // Counts the calling thread as a participant, busy until it sleeps.
  void Join();
  // The calling thread takes no further part (a thread that ends).
  void Leave();
  // No jump until `count` threads have joined.
  void ExpectParticipants(std::size_t count);
  // Every sleep, current and later, returns at once, and a wait for bytes
  // with a time-out returns what is there: lets the threads end.
  void Release();
  // Simulated milliseconds gained by jumps so far.
  std::int64_t SkippedMs();

 private:
  // One sleeping participant: its wake-up, and the descriptors it waits on (-1: none).
  using Descriptors = std::array<int, 2>;
  using Sleepers = std::multimap<std::int64_t, Descriptors>;
  struct Blocked {  // a participant in WaitUntil
    const std::condition_variable* cv;
    Sleepers::iterator sleeper;
  };

  std::int64_t NowLocked() const;
  void JoinLocked();
  Sleepers::iterator SleepLocked(std::int64_t wake_up, Descriptors fds);
  int WaitAnyReadable(Descriptors fds, std::int64_t timeout_ms);
  // Jumps to the earliest wake-up when nothing can happen before it; true when it did.
  bool TryJumpLocked();

  std::mutex mutex_;
  std::condition_variable changed_;
  const std::chrono::steady_clock::time_point origin_;
  const std::int64_t start_wall_ms_;
  std::int64_t skipped_ms_ = 0;
  std::set<std::thread::id> participants_;
  std::size_t expected_ = 0;
  Sleepers sleepers_;  // one entry per sleeping participant
  std::map<std::uint64_t, Blocked> blocked_;
  std::uint64_t next_blocked_ = 0;
  std::size_t starting_ = 0;  // threads of StartThread not yet running
  bool released_ = false;
};

}  // namespace test_support
