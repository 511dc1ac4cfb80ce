#pragma once
#include <cstdint>

namespace agent {

// The station library's date-time record: minute, hour, day, month, year.
// -1 in minute, hour, day or month means the time is not available.
struct DateTimeRecord {
  std::int32_t minute = 0;
  std::int32_t hour = 0;
  std::int32_t day = 0;
  std::int32_t month = 0;
  std::int32_t year = 0;
};

}  // namespace agent
