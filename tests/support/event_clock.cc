#include "tests/support/event_clock.h"

namespace test_support {

EventClock::EventClock(std::int64_t secondsSince1970)
    : origin_(std::chrono::steady_clock::now()), startWallMs_(secondsSince1970 * 1000) {}

std::int64_t EventClock::NowLocked() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now() - origin_).count() + skippedMs_;
}

std::int64_t EventClock::MonotonicMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return NowLocked();
}

std::int64_t EventClock::SecondsSince1970() {
  std::lock_guard<std::mutex> lock(mutex_);
  return (startWallMs_ + NowLocked()) / 1000;
}

platform::LocalTime EventClock::Now() { return platform::BreakDownUtc(SecondsSince1970()); }

void EventClock::SleepMs(std::int64_t ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  participants_.insert(std::this_thread::get_id());
  if (released_ || ms <= 0) return;
  const std::int64_t wakeUp = NowLocked() + ms;
  const auto mine = wakeUps_.insert(wakeUp);
  while (!released_) {
    const std::int64_t now = NowLocked();
    if (now >= wakeUp) break;
    const std::int64_t earliest = *wakeUps_.begin();
    if (earliest > now && wakeUps_.size() >= participants_.size() &&
        participants_.size() >= expected_) {
      // Everyone sleeps: nothing can happen before the earliest wake-up.
      skippedMs_ += earliest - now;
      changed_.notify_all();
      continue;
    }
    changed_.wait_until(lock, origin_ + std::chrono::milliseconds(wakeUp - skippedMs_));
  }
  wakeUps_.erase(mine);
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
  return skippedMs_;
}

}  // namespace test_support
