#pragma once
#include <cstdint>

#include "stationlib/api/OrbiskPro.h"

namespace orbisk::data {

// Result codes of the station-data functions (16-bit, signed). The link codes
// (communication failure, no link open) are in orbisk/link/codes.h.
inline constexpr int kOk = kOrbiskSuccess;
inline constexpr int kFail = -1;
inline constexpr int kNoData = kOrbiskNoDataLoaded;
inline constexpr int kBadIdentifier = kOrbiskInvalidIdentifier;
inline constexpr int kBufferTooShort = kOrbiskBufferMissing;
inline constexpr int kBadArgument = kOrbiskInvalidArgument;
inline constexpr int kDashed = kOrbiskValueDashed;

// Dashed markers of the stores.
inline constexpr std::uint16_t kDashed16 = 0x8000;
inline constexpr std::uint8_t kDashed8 = 255;

}  // namespace orbisk::data
