#pragma once
// The console's local stamps ("YYYY-MM-DD HH:MM") and the dates the journal and the history
// tags show ("DD/MM/YYYY HHhMM").

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/env.h"

namespace agent {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(int year, int month, int day);
// A clock reading counted as seconds since 1970 as if it were UTC: local readings then compare
// and subtract like instants, and BreakDownUtc gives the reading back.
std::int64_t ReadingSeconds(const platform::LocalTime& t);

std::string StampText(const platform::LocalTime& t);
std::optional<platform::LocalTime> ParseStamp(std::string_view text);
// "09/12/2026 14h05".
std::string DateText(const platform::LocalTime& t);
// DateText of a stamp; the stamp itself when it does not parse.
std::string StampDateText(std::string_view stamp);

}  // namespace agent
