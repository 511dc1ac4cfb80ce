#pragma once
// Polls `done` until it holds or `limit` of real time has passed: for what a
// test waits on from another process or thread (a server, a simulator).

#include <chrono>
#include <functional>
#include <thread>

namespace test_support {

inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace test_support
