#include "platform/env.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>

#include "platform/descriptor_wait.h"
#include "platform/env_internal.h"
#include "platform/environment.h"

namespace platform {
namespace {

LocalTime FromTm(const std::tm& tm) {
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

class SystemEnv final : public Env {
 public:
  std::int64_t MonotonicMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  std::int64_t SecondsSince1970() override { return static_cast<std::int64_t>(std::time(nullptr)); }
  LocalTime Now() override {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    LocalBreakDown(now, tm);
    return FromTm(tm);
  }
  void SleepMs(std::int64_t ms) override {
    if (ms > 0) SystemSleepMs(ms);
  }
  void SleepMsUnless(std::int64_t ms, StopFlag& stop) override { stop.WaitFor(ms); }

  bool FileExists(const std::string& path) override { return platform::FileExists(path); }
  bool DirectoryExists(const std::string& path) override { return platform::DirectoryExists(path); }
  std::int64_t FileSize(const std::string& path) override { return platform::FileSize(path); }
  bool ReadFile(const std::string& path, std::string& out) override {
    return platform::ReadFile(path, out);
  }
  std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) override {
    return platform::OpenForReading(path);
  }
  FileStatus AppendToFile(const std::string& path, std::string_view data) override {
    return platform::AppendToFile(path, data);
  }
  FileStatus OverwriteFromStart(const std::string& path, std::string_view data) override {
    return platform::OverwriteFromStart(path, data);
  }
  FileStatus WriteFileAtomically(const std::string& path, std::string_view data) override {
    return platform::WriteFileAtomically(path, data);
  }
  FileStatus RenameFile(const std::string& from, const std::string& to) override {
    return platform::RenameFile(from, to);
  }
  bool DeleteFile(const std::string& path) override { return platform::DeleteFile(path); }
  FileStatus CreateDirectory(const std::string& path) override {
    return platform::CreateDirectory(path);
  }
  std::vector<std::string> ListDirectory(const std::string& directory,
                                         const std::string& pattern) override {
    return platform::ListDirectory(directory, pattern);
  }
  std::vector<std::string> ListSubdirectories(const std::string& directory,
                                              const std::string& pattern) override {
    return platform::ListSubdirectories(directory, pattern);
  }

  std::vector<std::pair<std::string, std::string>> EnvironmentVariables() override {
    return platform::EnvironmentVariables();
  }
  std::optional<std::string> GetEnvironmentVariable(const std::string& name) override {
    return platform::GetEnvironmentVariable(name);
  }
  std::string CurrentDirectory() override { return platform::CurrentDirectory(); }
  std::string ProgramPath() override { return platform::OwnExecutablePath(); }
};

}  // namespace

bool StopFlag::WaitFor(std::int64_t ms) const {
  std::unique_lock<std::mutex> lock(mutex_);
  if (ms > 0) changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return IsSet(); });
  return IsSet();
}

int Env::WaitReadable(int fd, std::int64_t timeout_ms) {
  return PollReadable(fd, timeout_ms);
}

bool Env::WaitForFlag(const StopFlag& flag, const StopFlag* stop, std::int64_t timeout_ms) {
  return stop ? WaitForEither(flag, *stop, timeout_ms) : flag.WaitFor(timeout_ms);
}

Env& Env::Default() {
  static SystemEnv env;
  return env;
}

LocalTime BreakDownUtc(std::int64_t seconds_since_1970) {
  std::time_t t = static_cast<std::time_t>(seconds_since_1970);
  std::tm tm{};
  UtcBreakDown(t, tm);
  return FromTm(tm);
}

std::vector<std::int64_t> HostInstantsOf(const LocalTime& local) {
  std::vector<std::int64_t> instants;
  std::int64_t before_change = 0;
  // Asked once as standard time and once as summer time: each answer that the clock really
  // read is one instant.
  for (int summer : {0, 1}) {
    std::tm tm{};
    tm.tm_year = local.year - 1900;
    tm.tm_mon = local.month - 1;
    tm.tm_mday = local.day;
    tm.tm_hour = local.hour;
    tm.tm_min = local.minute;
    tm.tm_isdst = summer;
    const std::time_t t = std::mktime(&tm);
    if (summer == 0) before_change = t;
    std::tm back{};
    LocalBreakDown(t, back);
    const LocalTime read = FromTm(back);
    if (read.year == local.year && read.month == local.month && read.day == local.day &&
        read.hour == local.hour && read.minute == local.minute &&
        std::find(instants.begin(), instants.end(), t) == instants.end())
      instants.push_back(t);
  }
  if (instants.empty()) instants.push_back(before_change);
  std::sort(instants.begin(), instants.end());
  return instants;
}

FakeClock::FakeClock(std::int64_t seconds_since_1970, Env& target)
    : EnvWrapper(target), wall_ms_(seconds_since_1970 * 1000) {}

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
