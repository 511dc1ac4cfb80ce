#pragma once
// An in-process stand-in for the station library, driven by the engine tests: each export is
// a plain function under its exact prototype, and the console's answers are switches.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "agent/acquisition/station_library.h"

namespace agent::testing {

struct FakeConsole {
  std::atomic<std::int32_t> open_result{0};
  std::atomic<std::int32_t> init_result{0};
  std::atomic<std::int32_t> calibration_result{0};
  std::atomic<std::uint8_t> loop_supported{1};
  std::atomic<int> init_calls{0};
  std::atomic<int> close_calls{0};
  std::atomic<bool> init_returned{false};
  std::atomic<bool> closed_before_init_returned{false};

  // An initialisation that blocks until Release().
  void HoldInitialisation();
  void Release();
  void WaitWhileHeld();

  // Arguments of the last open, and the exports called in order.
  std::string Calls();
  void Record(const std::string& call);

  std::mutex mutex;
  std::condition_variable released;
  bool holding = false;
  std::vector<std::string> calls;
};

// The console the fake exports answer for; reset by Install().
FakeConsole& Console();
// A fresh console and an export source over it.
std::unique_ptr<ExportSource> InstallFakeConsole();

}  // namespace agent::testing
