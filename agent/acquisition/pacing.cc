#include "agent/acquisition/pacing.h"

#include <algorithm>
#include <cstdio>

namespace agent {

PacingDecision DecidePacing(std::int64_t refresh_ms, std::int64_t pass_elapsed_ms,
                            std::int64_t offset_total_seconds) {
  PacingDecision decision;
  if (refresh_ms > 0) {
    decision.pause_ms = refresh_ms;
    decision.announced_seconds = refresh_ms / 1000;
    return decision;
  }
  decision.automatic = true;
  std::int64_t whole_seconds = std::max<std::int64_t>(pass_elapsed_ms, 0) / 1000;
  decision.pause_ms = std::max<std::int64_t>(whole_seconds * 1000, 2500);
  decision.announced_seconds = decision.pause_ms / 1000 + offset_total_seconds;
  return decision;
}

std::string FormatClockTime(const platform::LocalTime& now, std::int64_t later_seconds) {
  constexpr std::int64_t kDay = 24 * 3600;
  std::int64_t of_day = (now.hour * 3600 + now.minute * 60 + now.second + later_seconds) % kDay;
  if (of_day < 0) of_day += kDay;
  char text[32];
  std::snprintf(text, sizeof text, "%02dh%02dm%02ds", static_cast<int>(of_day / 3600),
                static_cast<int>(of_day / 60 % 60), static_cast<int>(of_day % 60));
  return text;
}

}  // namespace agent
