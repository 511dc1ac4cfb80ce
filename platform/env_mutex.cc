#include "platform/env_mutex.h"

namespace platform {

void EnvMutex::lock() {
  std::unique_lock<std::mutex> held(mutex_);
  const std::thread::id me = std::this_thread::get_id();
  if (owner_ != me && depth_ > 0) env_.WaitUntil(held, released_, [this] { return depth_ == 0; });
  owner_ = me;
  ++depth_;
}

bool EnvMutex::try_lock() {
  std::lock_guard<std::mutex> held(mutex_);
  const std::thread::id me = std::this_thread::get_id();
  if (owner_ != me && depth_ > 0) return false;
  owner_ = me;
  ++depth_;
  return true;
}

void EnvMutex::unlock() {
  std::lock_guard<std::mutex> held(mutex_);
  if (--depth_ > 0) return;
  owner_ = std::thread::id();
  env_.NotifyAll(released_);
}

}  // namespace platform
