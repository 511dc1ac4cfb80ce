#include "agent/history/local_stamps.h"

#include <cstdio>

#include "agent/catalogue/station_time.h"

namespace agent {
namespace {

// The number of `count` digits at `at`, or -1.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int year_of_era = static_cast<int>(year - era * 400);
  const int day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

std::int64_t ReadingSeconds(const platform::LocalTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::string StampText(const platform::LocalTime& t) {
  char text[24];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute);
  return text;
}

// Read by hand: the history reads a year of stamps at each collection.
std::optional<platform::LocalTime> ParseStamp(std::string_view text) {
  if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':')
    return std::nullopt;
  platform::LocalTime t;
  t.year = Digits(text, 0, 4);
  t.month = Digits(text, 5, 2);
  t.day = Digits(text, 8, 2);
  t.hour = Digits(text, 11, 2);
  t.minute = Digits(text, 14, 2);
  if (t.year < 0 || t.month < 0 || t.day < 0 || t.hour < 0 || t.minute < 0) return std::nullopt;
  return t;
}

std::string DateText(const platform::LocalTime& t) {
  return FormatStationDateTime({t.minute, t.hour, t.day, t.month, t.year}, kArgumentAbsent);
}

std::string StampDateText(std::string_view stamp) {
  const std::optional<platform::LocalTime> t = ParseStamp(stamp);
  return t ? DateText(*t) : std::string(stamp);
}

}  // namespace agent
