#pragma once
// What the portable Env needs from the system it runs on (env_posix.cc,
// env_win32.cc).

#include <cstdint>
#include <ctime>

namespace platform {

// The host's local (or UTC) breakdown of `t`; false when the system cannot tell.
bool LocalBreakDown(std::time_t t, std::tm& out);
bool UtcBreakDown(std::time_t t, std::tm& out);
// Sleeps `ms` (> 0) milliseconds of real time, as precisely as the system allows.
void SystemSleepMs(std::int64_t ms);

}  // namespace platform
