// The console simulator's core in-process, on the test's event clock, serving
// its data-logger link on 127.0.0.1. Unlike the console-sim program, every
// thread it starts is stopped and joined by its destructor.
//
// Its threads take part in the event clock and wait for connections and
// commands through it: they count as asleep only while nothing is there to
// read, so the clock never jumps while a command or a connection is pending.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "tests/support/event_clock.h"
#include "tools/console-sim/console_clock.h"
#include "tools/console-sim/links.h"
#include "tools/console-sim/simulator.h"

namespace soak {

// The console's time is the test clock's: both read the same simulated seconds.
class ConsoleClockAdapter final : public consolesim::ConsoleClock {
 public:
  explicit ConsoleClockAdapter(platform::Env& clock) : clock_(clock) {}
  std::int64_t Now() const override { return clock_.SecondsSince1970(); }

 private:
  platform::Env& clock_;
};

// The served links wait on the event clock.
class LinkTimeAdapter final : public consolesim::LinkTime {
 public:
  explicit LinkTimeAdapter(test_support::EventClock& clock) : clock_(clock) {}
  std::int64_t MonotonicMs() override { return clock_.MonotonicMs(); }
  void SleepMs(std::int64_t ms) override { clock_.SleepMs(ms); }
  int WaitReadable(int fd, std::int64_t timeout_ms) override {
    return clock_.WaitReadable(fd, timeout_ms);
  }

 private:
  test_support::EventClock& clock_;
};

class SimulatorServer {
 public:
  // Returns once its accepting thread takes part in `clock`.
  SimulatorServer(test_support::EventClock& clock, consolesim::ConsoleOptions options);
  ~SimulatorServer();
  SimulatorServer(const SimulatorServer&) = delete;
  SimulatorServer& operator=(const SimulatorServer&) = delete;

  bool running() const { return listener_ >= 0; }
  int port() const { return port_; }
  // One control command (see tools/console-sim/README.md); throws
  // std::runtime_error when the reply is not ok.
  nlohmann::json Control(const nlohmann::json& command);

 private:
  void AcceptLoop();

  test_support::EventClock& event_clock_;
  LinkTimeAdapter link_time_;
  ConsoleClockAdapter clock_;
  consolesim::Simulator sim_;
  int listener_ = -1;
  int port_ = 0;
  std::mutex mutex_;
  bool stopping_ = false;
  struct Link {
    int fd;
    std::thread thread;
    bool done = false;
  };
  // Joins the threads of links that ended (mutex_ held).
  void ReapLocked();

  std::list<Link> links_;  // guarded by mutex_
  std::thread acceptor_;
};

}  // namespace soak
