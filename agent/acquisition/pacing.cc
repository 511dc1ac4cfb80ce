#include "agent/acquisition/pacing.h"

#include <algorithm>
#include <cstdio>

namespace agent {

PacingDecision DecidePacing(std::int64_t refreshMs, std::int64_t passElapsedMs,
                            std::int64_t offsetTotalSeconds) {
  PacingDecision decision;
  if (refreshMs > 0) {
    decision.pauseMs = refreshMs;
    decision.announcedSeconds = refreshMs / 1000;
    return decision;
  }
  decision.automatic = true;
  std::int64_t wholeSeconds = std::max<std::int64_t>(passElapsedMs, 0) / 1000;
  decision.pauseMs = std::max<std::int64_t>(wholeSeconds * 1000, 2500);
  decision.announcedSeconds = decision.pauseMs / 1000 + offsetTotalSeconds;
  return decision;
}

std::string FormatClockTime(const platform::LocalTime& now, std::int64_t laterSeconds) {
  constexpr std::int64_t kDay = 24 * 3600;
  std::int64_t ofDay = (now.hour * 3600 + now.minute * 60 + now.second + laterSeconds) % kDay;
  if (ofDay < 0) ofDay += kDay;
  char text[32];
  std::snprintf(text, sizeof text, "%02dh%02dm%02ds", static_cast<int>(ofDay / 3600),
                static_cast<int>(ofDay / 60 % 60), static_cast<int>(ofDay % 60));
  return text;
}

}  // namespace agent
