#pragma once
// How long the acquisition engine waits between two passes, and what it announces.

#include <cstdint>
#include <string>

#include "platform/env.h"

namespace agent {

struct PacingDecision {
  std::int64_t pause_ms = 0;
  std::int64_t announced_seconds = 0;
  bool automatic = false;  // automatic pacing announces itself in the journal
};

// refresh_ms <= 0: automatic pacing, as long as the pass took (whole seconds), at least
// 2500 ms, announced with the offset total added. Otherwise a fixed pause of refresh_ms.
PacingDecision DecidePacing(std::int64_t refresh_ms, std::int64_t pass_elapsed_ms,
                            std::int64_t offset_total_seconds);

// The local time `later_seconds` after `now`, as "21h46m36s".
std::string FormatClockTime(const platform::LocalTime& now, std::int64_t later_seconds = 0);

}  // namespace agent
