
#include <algorithm>
#include <chrono>

#include "platform/env.h"
#include "platform/env_internal.h"
#include "platform/win32_internal.h"
// The timer's resolution calls, which need <windows.h> first.
#include <timeapi.h>

namespace platform {

bool LocalBreakDown(std::time_t t, std::tm& out) {
  return localtime_s(&out, &t) == 0;
}

bool UtcBreakDown(std::time_t t, std::tm& out) {
  return gmtime_s(&out, &t) == 0;
}

void SystemSleepMs(std::int64_t ms) {
  // The system timer ticks every 15.6 ms unless asked for 1 ms, and only
  // while asked: the console's exchanges wait in steps of a few milliseconds.
  ::timeBeginPeriod(1);
  const std::int64_t end = ::GetTickCount64() + ms;
  for (std::int64_t left = ms; left > 0;
       left = end - static_cast<std::int64_t>(::GetTickCount64())) {
    // A caller with windows keeps its message queue alive during our waits.
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    ::Sleep(static_cast<DWORD>(std::min<std::int64_t>(left, 50)));
  }
  ::timeEndPeriod(1);
}

// No descriptor wakes a Windows wait: socket waits look at the flag between
// short slices instead.
StopFlag::StopFlag() = default;

StopFlag::~StopFlag() = default;

void StopFlag::Set() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (set_.exchange(true, std::memory_order_acq_rel)) return;
  }
  changed_.notify_all();
}

bool WaitForEither(const StopFlag& flag, const StopFlag& stop, std::int64_t ms) {
  constexpr std::int64_t kSliceMs = 10;
  using std::chrono::steady_clock;
  const auto deadline = steady_clock::now() + std::chrono::milliseconds(ms > 0 ? ms : 0);
  while (!flag.IsSet() && !stop.IsSet()) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0) break;
    flag.WaitFor(std::min<std::int64_t>(left, kSliceMs));
  }
  return flag.IsSet();
}

}  // namespace platform
