#include "tests/support/event_clock.h"

#include <algorithm>
#include <limits>
#include <set>
#include <vector>

#include "platform/descriptor_wait.h"

namespace test_support {
namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
// How often a descriptor waiter looks at the clock between two polls: the
// real time a jump may take to reach it.
constexpr std::int64_t kSliceMs = 1;

std::mutex& LiveMutex() {
  static std::mutex mutex;
  return mutex;
}
std::set<EventClock*>& LiveClocks() {
  static std::set<EventClock*> clocks;
  return clocks;
}

// Takes an ending thread out of the clocks it took part in: a short-lived
// thread (the agent's station initialisation, say) that waited on the clock
// would otherwise stop every later jump.
class Membership {
 public:
  void Enter(EventClock* clock) { clocks_.insert(clock); }
  ~Membership() {
    std::lock_guard<std::mutex> live(LiveMutex());
    for (EventClock* clock : clocks_)
      if (LiveClocks().count(clock)) clock->Leave();
  }

 private:
  std::set<EventClock*> clocks_;
};
thread_local Membership membership;

}  // namespace

EventClock::EventClock(std::int64_t seconds_since_1970)
    : EnvWrapper(platform::Env::Default()),
      origin_(std::chrono::steady_clock::now()),
      start_wall_ms_(seconds_since_1970 * 1000) {
  std::lock_guard<std::mutex> live(LiveMutex());
  LiveClocks().insert(this);
}

EventClock::~EventClock() {
  std::lock_guard<std::mutex> live(LiveMutex());
  LiveClocks().erase(this);
}

void EventClock::JoinLocked() {
  participants_.insert(std::this_thread::get_id());
  membership.Enter(this);
}

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

EventClock::Sleepers::iterator EventClock::SleepLocked(std::int64_t wake_up, Descriptors fds) {
  JoinLocked();
  return sleepers_.emplace(wake_up, fds);
}

// A jump is safe when, at one moment under the lock, every participant is
// registered asleep, none is due, and none of the awaited descriptors can be
// read. A participant registers before it starts to wait and unregisters
// before it acts on what woke it, so none is at work. A plain sleeper wakes
// only at its time; a descriptor waiter earlier only on bytes, and bytes come
// only from participants (all asleep, so none is sending) or are already in
// the receiver's queue: a sender over a loopback socket has queued them at
// the receiver before its send returned, since the loopback device delivers
// in the sender's own context, provided the socket has TCP_NODELAY (else a
// small write may wait in the sender's queue for the peer's delayed
// acknowledgement, a real-time timer). So nothing can happen before the
// earliest wake-up. (A pseudo-terminal hands bytes over through a kernel work item,
// after the write returns: its waits must not be made on this clock.)
bool EventClock::TryJumpLocked() {
  if (released_ || sleepers_.empty() || starting_ > 0 || participants_.size() < expected_ ||
      sleepers_.size() < participants_.size())
    return false;
  const std::int64_t now = NowLocked();
  const std::int64_t earliest = sleepers_.begin()->first;
  if (earliest <= now || earliest == kNever) return false;
  std::vector<int> fds;
  for (const auto& [wake_up, awaited] : sleepers_)
    for (int fd : awaited)
      if (fd >= 0) fds.push_back(fd);
  if (!fds.empty() && platform::AnyReadable(fds)) return false;
  skipped_ms_ += earliest - now;
  changed_.notify_all();
  return true;
}

void EventClock::SleepMs(std::int64_t ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  JoinLocked();
  if (released_ || ms <= 0) return;
  const std::int64_t wake_up = NowLocked() + ms;
  const auto mine = SleepLocked(wake_up, {-1, -1});
  while (!released_ && NowLocked() < wake_up) {
    if (TryJumpLocked()) continue;
    // Woken early by a jump, a participant that leaves or Release.
    changed_.wait_until(lock, origin_ + std::chrono::milliseconds(wake_up - skipped_ms_));
  }
  sleepers_.erase(mine);
}

int EventClock::WaitReadable(int fd, std::int64_t timeout_ms) {
  return WaitAnyReadable({fd, -1}, timeout_ms);
}

bool EventClock::WaitForFlag(const platform::StopFlag& flag, const platform::StopFlag* stop,
                             std::int64_t timeout_ms) {
  // A flag's descriptor is readable from the moment Set returns, as loopback bytes are, and
  // Set marks the flag before: readable means set.
  WaitAnyReadable({flag.wake_fd(), stop ? stop->wake_fd() : -1}, timeout_ms);
  return flag.IsSet();
}

int EventClock::WaitAnyReadable(Descriptors fds, std::int64_t timeout_ms) {
  const int count = fds[1] >= 0 ? 2 : 1;
  std::unique_lock<std::mutex> lock(mutex_);
  JoinLocked();
  if (released_) {
    lock.unlock();
    return platform::PollAnyReadable({fds.data(), static_cast<std::size_t>(count)},
                                     timeout_ms < 0 ? -1 : 0);
  }
  const std::int64_t wake_up = timeout_ms < 0 ? kNever : NowLocked() + timeout_ms;
  const auto mine = SleepLocked(wake_up, fds);
  int result = 0;
  for (;;) {
    result = platform::PollAnyReadable({fds.data(), static_cast<std::size_t>(count)}, 0);
    if (result != 0 || released_ || NowLocked() >= wake_up) break;
    if (TryJumpLocked()) continue;
    // Polled without the lock, so that the others can sleep and jump meanwhile.
    const std::int64_t real_left = wake_up - NowLocked();
    lock.unlock();
    result = platform::PollAnyReadable({fds.data(), static_cast<std::size_t>(count)},
                                       std::min(kSliceMs, real_left));
    lock.lock();
    if (result != 0) break;
  }
  // Unregistered before the caller reads: until then its bytes keep the
  // descriptor readable, which forbids a jump.
  sleepers_.erase(mine);
  return result;
}

// The waiter holds `held` and then this clock's lock; so does NotifyAll, called
// under the same `held`: the order is always the same.
void EventClock::WaitUntil(std::unique_lock<std::mutex>& held, std::condition_variable& cv,
                           const std::function<bool()>& ready) {
  while (!ready()) {
    std::uint64_t id;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      JoinLocked();
      id = next_blocked_++;
      if (!released_) {
        blocked_.emplace(id, Blocked{&cv, SleepLocked(kNever, {-1, -1})});
        TryJumpLocked();  // the last one to fall asleep may be this one
      }
    }
    cv.wait(held);
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = blocked_.find(id);  // still there after a spurious wake-up
    if (it != blocked_.end()) {
      sleepers_.erase(it->second.sleeper);
      blocked_.erase(it);
    }
  }
}

void EventClock::NotifyAll(std::condition_variable& cv) {
  {
    // The waiters count as at work from now on, before they get to run.
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = blocked_.begin(); it != blocked_.end();) {
      if (it->second.cv == &cv) {
        sleepers_.erase(it->second.sleeper);
        it = blocked_.erase(it);
      } else {
        ++it;
      }
    }
  }
  cv.notify_all();
}

std::thread EventClock::StartThread(std::function<void()> body) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++starting_;  // no jump until it runs and counts as at work
  }
  return std::thread([this, body = std::move(body)] {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      JoinLocked();
      --starting_;
    }
    body();
  });
}

void EventClock::Join() {
  std::lock_guard<std::mutex> lock(mutex_);
  JoinLocked();
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
