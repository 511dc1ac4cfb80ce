#pragma once
// One seam for time: engines ask a Clock for the time and sleep through it, so
// tests replace the real clock with FakeClock and run in milliseconds.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace platform {

// Local broken-down date and time (month 1-12, day 1-31).
struct LocalTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// A stop request that sleeping threads wait on: Set wakes every waiter at
// once, so a long pause needs no polling to stay responsive.
class StopFlag {
 public:
  void Set();
  bool IsSet() const { return set_.load(std::memory_order_acquire); }
  // Waits up to `ms` of real time or until Set; returns IsSet().
  bool WaitFor(std::int64_t ms);

 private:
  std::atomic<bool> set_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds from an arbitrary fixed origin; never goes backwards.
  virtual std::int64_t MonotonicMs() = 0;
  // Wall-clock seconds since 1970-01-01 00:00:00 UTC.
  virtual std::int64_t SecondsSince1970() = 0;
  // The local date and time of now.
  virtual LocalTime Now() = 0;
  // Sleeps about `ms` milliseconds (0 or negative returns at once).
  virtual void SleepMs(std::int64_t ms) = 0;
  // Sleeps like SleepMs but returns early once `stop` is set, so that a
  // stop request does not wait for the end of a long pause. A clock whose
  // sleeps take no real time just sleeps.
  virtual void SleepMsUnless(std::int64_t ms, StopFlag& stop) {
    if (!stop.IsSet()) SleepMs(ms);
  }
  // Waits until `fd` can be read (or has hung up) or `timeout_ms` of this
  // clock's time have passed (negative: no end): 1 readable, 0 timed out,
  // -errno on failure. A real wait here; a clock of simulated time counts the
  // caller as asleep while nothing comes, so that waiting for bytes that never
  // come costs no real time.
  virtual int WaitReadable(int fd, std::int64_t timeout_ms);
};

// The process's real clock (steady clock, system time, the host's time zone).
Clock& RealClock();

// A clock that only moves when told to. SleepMs advances it by the requested
// time at once, so a loop that sleeps 2000 ms runs instantly. Thread-safe.
// Its local time is the UTC breakdown of its seconds, so tests need no time zone.
class FakeClock : public Clock {
 public:
  // Starts at `seconds_since_1970` (default 2026-12-06 21:46:36 UTC).
  explicit FakeClock(std::int64_t seconds_since_1970 = 1796593596);

  std::int64_t MonotonicMs() override;
  std::int64_t SecondsSince1970() override;
  LocalTime Now() override;
  void SleepMs(std::int64_t ms) override;

  // Moves the clock forward (or back, for wall time only) by `ms`.
  void AdvanceMs(std::int64_t ms);
  // Sets the wall time; the monotonic time is not changed.
  void SetSecondsSince1970(std::int64_t seconds);
  // Number of SleepMs calls so far.
  std::int64_t SleepCount();
  // Called (outside the clock's lock) after each SleepMs has advanced the
  // clock, with the requested duration: tests use it to stop a loop after N
  // sleeps or to change the world between two wake-ups.
  void SetSleepHook(std::function<void(std::int64_t ms)> hook);

 private:
  std::mutex mutex_;
  std::int64_t wall_ms_;
  std::int64_t monotonic_ms_ = 0;
  std::int64_t sleeps_ = 0;
  std::function<void(std::int64_t)> hook_;
};

// Breaks seconds since 1970 down as UTC (used by FakeClock, handy in tests).
LocalTime BreakDownUtc(std::int64_t seconds_since_1970);

}  // namespace platform
