#include "stationlib/data/archive_date.h"

namespace orbisk::archive {

int DaysAllowed(int month) {
  switch (month) {
    case 2:
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    default:
      return 31;
  }
}

std::optional<ArchiveStamps> StampsFor(const ArchiveDate& in) {
  if (in.year < 2000) return ArchiveStamps{};
  ArchiveDate d = in;
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > DaysAllowed(d.month) || d.hour < 0 ||
      d.hour > 24 || d.minute < 0 || d.minute > 59)
    return std::nullopt;
  if (d.hour == 24) {
    d.hour = 0;
    if (++d.day > DaysAllowed(d.month)) {
      d.day = 1;
      if (++d.month > 12) {
        d.month = 1;
        ++d.year;
      }
    }
  }
  // The stamp holds 7 bits of years after 2000.
  if (d.year - 2000 > 127) return std::nullopt;
  return ArchiveStamps{static_cast<std::uint16_t>(d.day + d.month * 32 + (d.year - 2000) * 512),
                       static_cast<std::uint16_t>(d.hour * 100 + d.minute)};
}

}  // namespace orbisk::archive
