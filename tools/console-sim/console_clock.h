#pragma once
// The console's time source. The simulated time runs from a start time at a
// chosen speed; tests use ManualClock and move it by hand.
#include <atomic>
#include <chrono>
#include <cstdint>

namespace consolesim {

class ConsoleClock {
 public:
  virtual ~ConsoleClock() = default;
  // Seconds since 1970 of the console's local wall time.
  virtual std::int64_t Now() const = 0;
  // The same in milliseconds, for what the console paces within a second.
  virtual std::int64_t NowMs() const { return Now() * 1000; }
};

class ManualClock final : public ConsoleClock {
 public:
  explicit ManualClock(std::int64_t start) : now_(start) {}
  std::int64_t Now() const override { return now_.load(); }
  void Set(std::int64_t time) { now_.store(time); }
  void Advance(std::int64_t seconds) { now_.fetch_add(seconds); }

 private:
  std::atomic<std::int64_t> now_;
};

// Runs from `start` at `speed` simulated seconds per real second.
class ScaledClock final : public ConsoleClock {
 public:
  ScaledClock(std::int64_t start, double speed)
      : start_(start), speed_(speed), origin_(std::chrono::steady_clock::now()) {}
  std::int64_t Now() const override { return NowMs() / 1000; }
  std::int64_t NowMs() const override {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - origin_;
    return start_ * 1000 + static_cast<std::int64_t>(elapsed.count() * speed_ * 1000);
  }

 private:
  std::int64_t start_;
  double speed_;
  std::chrono::steady_clock::time_point origin_;
};

// Calendar fields of a console time (no time zone: the console keeps local time).
struct CivilTime {
  int year, month, day, hour, minute, second;
};
CivilTime ToCivil(std::int64_t time);
std::int64_t FromCivil(const CivilTime& civil);

}  // namespace consolesim
