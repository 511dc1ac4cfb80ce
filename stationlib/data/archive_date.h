// The date and time after which archive records are asked for, and its
// console stamps: date = day + month x 32 + (year - 2000) x 512,
// time = hour x 100 + minute.
#pragma once

#include <cstdint>
#include <optional>

namespace orbisk::archive {

struct ArchiveDate {
  int minute = 0;
  int hour = 0;
  int day = 0;
  int month = 0;
  int year = 0;
};

struct ArchiveStamps {
  std::uint16_t date = 0;
  std::uint16_t time = 0;
  // The web service's timestamp: date x 65536 + time.
  std::uint32_t combined() const { return (static_cast<std::uint32_t>(date) << 16) | time; }
};

// The stamps of a download date, or nothing when the date is invalid. A year
// below 2000 asks for every record (both stamps 0); hour 24 is 0 h of the
// next day. February is allowed 30 days.
std::optional<ArchiveStamps> StampsFor(const ArchiveDate& d);

// Days a month is allowed in a download date (30 or 31).
int DaysAllowed(int month);

}  // namespace orbisk::archive
