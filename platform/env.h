#pragma once
// One seam to the system: time, sleeps, files, directories and the environment
// all go through an Env, so a test replaces one call (EnvWrapper), the whole
// clock (FakeClock) or the disk's failures without touching the engines.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/files.h"

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

// A stop request that every waiting thread sees at once: Set wakes the
// condition waits (WaitFor) and makes wake_fd() readable, so a thread blocked
// in poll on a socket polls it beside and wakes too. Once set, it stays set.
class StopFlag {
 public:
  StopFlag();
  ~StopFlag();
  StopFlag(const StopFlag&) = delete;
  StopFlag& operator=(const StopFlag&) = delete;

  void Set();
  bool IsSet() const { return set_.load(std::memory_order_acquire); }
  // Waits up to `ms` of real time or until Set; returns IsSet().
  bool WaitFor(std::int64_t ms) const;
  // Readable once Set. -1 when the system gave no descriptor: polls then see
  // only their deadline.
  int wake_fd() const { return wake_fd_; }

 private:
  std::atomic<bool> set_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  int wake_fd_ = -1;
};

// Waits up to `ms` of real time until `flag` or `stop` is set; returns
// flag.IsSet(). Lets a wait for some work's end give way to a stop request.
bool WaitForEither(const StopFlag& flag, const StopFlag& stop, std::int64_t ms);

class Env {
 public:
  virtual ~Env() = default;
  // The process's real environment (steady clock, system time, the host's
  // time zone, the real disk).
  static Env& Default();

  // --- time ---
  // Milliseconds from an arbitrary fixed origin; never goes backwards.
  virtual std::int64_t MonotonicMs() = 0;
  // Wall-clock seconds since 1970-01-01 00:00:00 UTC.
  virtual std::int64_t SecondsSince1970() = 0;
  // The local date and time of now.
  virtual LocalTime Now() = 0;
  // Sleeps about `ms` milliseconds (0 or negative returns at once).
  virtual void SleepMs(std::int64_t ms) = 0;
  // Sleeps like SleepMs but returns early once `stop` is set, so that a
  // stop request does not wait for the end of a long pause. An Env whose
  // sleeps take no real time just sleeps.
  virtual void SleepMsUnless(std::int64_t ms, StopFlag& stop) {
    if (!stop.IsSet()) SleepMs(ms);
  }
  // Waits until `fd` can be read (or has hung up) or `timeout_ms` of this
  // Env's time have passed (negative: no end): 1 readable, 0 timed out,
  // -errno on failure. A real wait here; an Env of simulated time counts the
  // caller as asleep while nothing comes, so that waiting for bytes that never
  // come costs no real time.
  virtual int WaitReadable(int fd, std::int64_t timeout_ms);

  // --- the process's own threads ---
  // Waits until `flag` or `stop` (may be null) is set or `timeout_ms` of this Env's time have
  // passed; returns flag.IsSet().
  virtual bool WaitForFlag(const StopFlag& flag, const StopFlag* stop, std::int64_t timeout_ms);
  // Blocks on `cv` with `held` until `ready()`. The thread that makes it true calls NotifyAll
  // holding the same mutex. An Env of simulated time counts the waiter as asleep until then, so
  // a thread that waits for a lock costs no real time while the holder sleeps.
  virtual void WaitUntil(std::unique_lock<std::mutex>& held, std::condition_variable& cv,
                         const std::function<bool()>& ready) {
    cv.wait(held, ready);
  }
  virtual void NotifyAll(std::condition_variable& cv) { cv.notify_all(); }
  // Starts a thread that takes part in this Env's time from its first instruction.
  virtual std::thread StartThread(std::function<void()> body) {
    return std::thread(std::move(body));
  }

  // --- files and directories (see files.h for each operation) ---
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirectoryExists(const std::string& path) = 0;
  virtual std::int64_t FileSize(const std::string& path) = 0;
  virtual bool ReadFile(const std::string& path, std::string& out) = 0;
  virtual std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) = 0;
  virtual FileStatus AppendToFile(const std::string& path, std::string_view data) = 0;
  virtual FileStatus OverwriteFromStart(const std::string& path, std::string_view data) = 0;
  virtual FileStatus WriteFileAtomically(const std::string& path, std::string_view data) = 0;
  virtual FileStatus RenameFile(const std::string& from, const std::string& to) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual FileStatus CreateDirectory(const std::string& path) = 0;
  virtual std::vector<std::string> ListDirectory(const std::string& directory,
                                                 const std::string& pattern) = 0;
  virtual std::vector<std::string> ListSubdirectories(const std::string& directory,
                                                      const std::string& pattern) = 0;

  // --- the process (see environment.h) ---
  virtual std::vector<std::pair<std::string, std::string>> EnvironmentVariables() = 0;
  virtual std::optional<std::string> GetEnvironmentVariable(const std::string& name) = 0;
  virtual std::string CurrentDirectory() = 0;
  virtual std::string ProgramPath() = 0;
};

// Forwards every call to a target, so a test overrides only what it changes. A
// wrapper with its own time overrides SleepMsUnless and WaitReadable too: the
// target's would wait on the target's time.
class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env& target) : target_(target) {}
  Env& target() { return target_; }

  std::int64_t MonotonicMs() override { return target_.MonotonicMs(); }
  std::int64_t SecondsSince1970() override { return target_.SecondsSince1970(); }
  LocalTime Now() override { return target_.Now(); }
  void SleepMs(std::int64_t ms) override { target_.SleepMs(ms); }
  void SleepMsUnless(std::int64_t ms, StopFlag& stop) override { target_.SleepMsUnless(ms, stop); }
  int WaitReadable(int fd, std::int64_t timeout_ms) override {
    return target_.WaitReadable(fd, timeout_ms);
  }
  bool WaitForFlag(const StopFlag& flag, const StopFlag* stop, std::int64_t timeout_ms) override {
    return target_.WaitForFlag(flag, stop, timeout_ms);
  }
  void WaitUntil(std::unique_lock<std::mutex>& held, std::condition_variable& cv,
                 const std::function<bool()>& ready) override {
    target_.WaitUntil(held, cv, ready);
  }
  void NotifyAll(std::condition_variable& cv) override { target_.NotifyAll(cv); }
  std::thread StartThread(std::function<void()> body) override {
    return target_.StartThread(std::move(body));
  }

  bool FileExists(const std::string& path) override { return target_.FileExists(path); }
  bool DirectoryExists(const std::string& path) override { return target_.DirectoryExists(path); }
  std::int64_t FileSize(const std::string& path) override { return target_.FileSize(path); }
  bool ReadFile(const std::string& path, std::string& out) override {
    return target_.ReadFile(path, out);
  }
  std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) override {
    return target_.OpenForReading(path);
  }
  FileStatus AppendToFile(const std::string& path, std::string_view data) override {
    return target_.AppendToFile(path, data);
  }
  FileStatus OverwriteFromStart(const std::string& path, std::string_view data) override {
    return target_.OverwriteFromStart(path, data);
  }
  FileStatus WriteFileAtomically(const std::string& path, std::string_view data) override {
    return target_.WriteFileAtomically(path, data);
  }
  FileStatus RenameFile(const std::string& from, const std::string& to) override {
    return target_.RenameFile(from, to);
  }
  bool DeleteFile(const std::string& path) override { return target_.DeleteFile(path); }
  FileStatus CreateDirectory(const std::string& path) override {
    return target_.CreateDirectory(path);
  }
  std::vector<std::string> ListDirectory(const std::string& directory,
                                         const std::string& pattern) override {
    return target_.ListDirectory(directory, pattern);
  }
  std::vector<std::string> ListSubdirectories(const std::string& directory,
                                              const std::string& pattern) override {
    return target_.ListSubdirectories(directory, pattern);
  }

  std::vector<std::pair<std::string, std::string>> EnvironmentVariables() override {
    return target_.EnvironmentVariables();
  }
  std::optional<std::string> GetEnvironmentVariable(const std::string& name) override {
    return target_.GetEnvironmentVariable(name);
  }
  std::string CurrentDirectory() override { return target_.CurrentDirectory(); }
  std::string ProgramPath() override { return target_.ProgramPath(); }

 private:
  Env& target_;
};

// An Env whose time only moves when told to, over the target's files. SleepMs
// advances it by the requested time at once, so a loop that sleeps 2000 ms
// runs instantly. Thread-safe. Its local time is the UTC breakdown of its
// seconds, so tests need no time zone.
class FakeClock : public EnvWrapper {
 public:
  // Starts at `seconds_since_1970` (default 2026-12-06 21:46:36 UTC).
  explicit FakeClock(std::int64_t seconds_since_1970 = 1796593596, Env& target = Env::Default());

  std::int64_t MonotonicMs() override;
  std::int64_t SecondsSince1970() override;
  LocalTime Now() override;
  void SleepMs(std::int64_t ms) override;
  void SleepMsUnless(std::int64_t ms, StopFlag& stop) override {
    if (!stop.IsSet()) SleepMs(ms);
  }

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

// The instants (seconds since 1970, earliest first) at which the host's clock read `local`, to
// the minute: two in the hour repeated when summer time ends. In the hour skipped when it
// starts, the instant the clock would have read it had it not changed yet.
std::vector<std::int64_t> HostInstantsOf(const LocalTime& local);

}  // namespace platform
