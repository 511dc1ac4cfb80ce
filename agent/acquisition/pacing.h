#pragma once
// How long the acquisition engine waits between two passes, and what it announces.

#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace agent {

struct PacingDecision {
  std::int64_t pauseMs = 0;
  std::int64_t announcedSeconds = 0;
  bool automatic = false;  // automatic pacing announces itself in the journal
};

// refreshMs <= 0: automatic pacing, as long as the pass took (whole seconds), at least
// 2500 ms, announced with the offset total added. Otherwise a fixed pause of refreshMs.
PacingDecision DecidePacing(std::int64_t refreshMs, std::int64_t passElapsedMs,
                            std::int64_t offsetTotalSeconds);

// The local time `laterSeconds` after `now`, as "21h46m36s".
std::string FormatClockTime(const platform::LocalTime& now, std::int64_t laterSeconds = 0);

}  // namespace agent
