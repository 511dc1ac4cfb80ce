#include "platform/signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace platform {
namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

void BlockStopSignals() {
  sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool WaitForStopSignal(std::int64_t ms) {
  sigset_t set = StopSet();
  if (ms < 0) ms = 0;
  timespec timeout{static_cast<time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1000000)};
  for (;;) {
    int signal = sigtimedwait(&set, nullptr, &timeout);
    if (signal >= 0) return true;
    if (errno != EINTR) return false;  // EAGAIN: the time is up
  }
}

void ExitAtOnce(int code) {
  std::fflush(nullptr);
  ::_exit(code);
}

}  // namespace platform
