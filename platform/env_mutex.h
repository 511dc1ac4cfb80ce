#pragma once
// A recursive mutex whose waits go through an Env: under a clock of simulated
// time, a thread that waits for it counts as asleep until the holder lets go,
// so the holder's own sleeps are not made real by the waiters.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/env.h"

namespace platform {

class EnvMutex {
 public:
  explicit EnvMutex(Env& env) : env_(env) {}
  EnvMutex(const EnvMutex&) = delete;
  EnvMutex& operator=(const EnvMutex&) = delete;

  void lock();
  bool try_lock();
  void unlock();

 private:
  Env& env_;
  std::mutex mutex_;
  std::condition_variable released_;
  std::thread::id owner_;
  int depth_ = 0;
};

}  // namespace platform
