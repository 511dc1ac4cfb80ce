#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "stationlib/data/context.h"
#include "stationlib/data/value_query.h"

namespace orbisk::data {

inline constexpr std::size_t kHiLowPacketSize = 438;  // 436 data bytes and the checksum

// The high/low reply as loaded, with the PC's date at loading (the date of
// the daily extremes).
struct HiLowStore {
  std::array<std::uint8_t, kHiLowPacketSize> packet{};
  int day = 0, month = 0, year = 0;
};

// Periods of the high/low identifiers.
namespace hilow_period {
inline constexpr unsigned kDayHigh = 4, kDayLow = 6, kLastHourHigh = 24, kMonthHigh = 10,
                          kMonthLow = 12, kYearHigh = 19, kYearLow = 20;
}

// An extreme by data identifier: kOk, kDashed or kBadIdentifier.
ValueAnswer QueryHiLow(std::uint32_t id, const HiLowStore& store, const QueryContext& ctx);
// The time of a daily extreme (hour x 100 + minute): kOk, kDashed or
// kBadIdentifier (not a day extreme or no time kept).
int HiLowTime(std::uint32_t id, const HiLowStore& store, int& hhmm);

}  // namespace orbisk::data
