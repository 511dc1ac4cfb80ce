#include "tests/support/event_clock.h"

namespace test_support {

EventClock::EventClock(std::int64_t seconds_since_1970)
    : EnvWrapper(platform::Env::Default()),
      origin_(std::chrono::steady_clock::now()),
      start_wall_ms_(seconds_since_1970 * 1000) {}

std::int64_t EventClock::NowLocked() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now() - origin_).count() + skipped_ms_;
}

std::int64_t EventClock::MonotonicMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return NowLocked();
}

std::int64_t EventClock::SecondsSince1970() {
  std::lock_guard<std::mutex> lock(mutex_);
  return (start_wall_ms_ + NowLocked()) / 1000;
}

platform::LocalTime EventClock::Now() {
  return platform::BreakDownUtc(SecondsSince1970());
}

void EventClock::SleepMs(std::int64_t ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  participants_.insert(std::this_thread::get_id());
  if (released_ || ms <= 0) return;
  const std::int64_t wake_up = NowLocked() + ms;
  const auto mine = wake_ups_.insert(wake_up);
  while (!released_) {
    const std::int64_t now = NowLocked();
    if (now >= wake_up) break;
    const std::int64_t earliest = *wake_ups_.begin();
    if (earliest > now && wake_ups_.size() >= participants_.size() &&
        participants_.size() >= expected_) {
      // Everyone sleeps: nothing can happen before the earliest wake-up.
      skipped_ms_ += earliest - now;
      changed_.notify_all();
      continue;
    }
    changed_.wait_until(lock, origin_ + std::chrono::milliseconds(wake_up - skipped_ms_));
  }
  wake_ups_.erase(mine);
}

void EventClock::Join() {
  std::lock_guard<std::mutex> lock(mutex_);
  participants_.insert(std::this_thread::get_id());
}

void EventClock::Leave() {
  std::lock_guard<std::mutex> lock(mutex_);
  participants_.erase(std::this_thread::get_id());
  changed_.notify_all();  // the others may all be asleep now
}

void EventClock::ExpectParticipants(std::size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  expected_ = count;
  changed_.notify_all();
}

void EventClock::Release() {
  std::lock_guard<std::mutex> lock(mutex_);
  released_ = true;
  changed_.notify_all();
}

std::int64_t EventClock::SkippedMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return skipped_ms_;
}

}  // namespace test_support
