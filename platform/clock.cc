#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "platform/descriptor_wait.h"

namespace platform {
namespace {

LocalTime FromTm(const std::tm& tm) {
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

class SystemClock final : public Clock {
 public:
  std::int64_t MonotonicMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  std::int64_t SecondsSince1970() override { return static_cast<std::int64_t>(std::time(nullptr)); }
  LocalTime Now() override {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return FromTm(tm);
  }
  void SleepMs(std::int64_t ms) override {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  void SleepMsUnless(std::int64_t ms, StopFlag& stop) override { stop.WaitFor(ms); }
};

}  // namespace

void StopFlag::Set() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    set_.store(true, std::memory_order_release);
  }
  changed_.notify_all();
}

bool StopFlag::WaitFor(std::int64_t ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (ms > 0) changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return IsSet(); });
  return IsSet();
}

int Clock::WaitReadable(int fd, std::int64_t timeout_ms) {
  return PollReadable(fd, timeout_ms);
}

Clock& RealClock() {
  static SystemClock clock;
  return clock;
}

LocalTime BreakDownUtc(std::int64_t seconds_since_1970) {
  std::time_t t = static_cast<std::time_t>(seconds_since_1970);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return FromTm(tm);
}

FakeClock::FakeClock(std::int64_t seconds_since_1970) : wall_ms_(seconds_since_1970 * 1000) {}

std::int64_t FakeClock::MonotonicMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return monotonic_ms_;
}

std::int64_t FakeClock::SecondsSince1970() {
  std::lock_guard<std::mutex> lock(mutex_);
  return wall_ms_ / 1000;
}

LocalTime FakeClock::Now() {
  return BreakDownUtc(SecondsSince1970());
}

void FakeClock::SleepMs(std::int64_t ms) {
  std::function<void(std::int64_t)> hook;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ms > 0) {
      monotonic_ms_ += ms;
      wall_ms_ += ms;
    }
    ++sleeps_;
    hook = hook_;
  }
  if (hook) hook(ms);
}

void FakeClock::AdvanceMs(std::int64_t ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ms > 0) monotonic_ms_ += ms;
  wall_ms_ += ms;
}

void FakeClock::SetSecondsSince1970(std::int64_t seconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  wall_ms_ = seconds * 1000;
}

std::int64_t FakeClock::SleepCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return sleeps_;
}

void FakeClock::SetSleepHook(std::function<void(std::int64_t)> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  hook_ = std::move(hook);
}

}  // namespace platform
