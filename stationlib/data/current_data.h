#pragma once
#include <cstdint>

#include "stationlib/api/OrbiskPro.h"
#include "stationlib/data/context.h"
#include "stationlib/data/live_packet.h"
#include "stationlib/data/value_query.h"

namespace orbisk::data {

// Answers a query by data identifier from the current-data store (loaded).
ValueAnswer QueryCurrent(std::uint32_t id, const CurrentStore& store, const QueryContext& ctx);

// The 16 alarm bytes as the active-alarms record gives them.
inline const std::array<std::uint8_t, 16>& ActiveAlarms(const CurrentStore& s) {
  return s.alarms;
}

// Start of the current storm (month and day fields kept shifted, as stored).
OrbiskDateTime StormStart(const CurrentStore& s);
// Sunrise or sunset with today's date (sunrise after hour 17 is tomorrow's);
// false when the time is dashed.
bool SunTime(std::int16_t hhmm, bool sunrise, int day, int month, int year, OrbiskDateTime& out);

}  // namespace orbisk::data
