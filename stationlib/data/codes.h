#pragma once
#include <cstdint>

namespace orbisk::data {

// Result codes of the station-data functions (16-bit, signed). The link codes
// (communication failure, no link open) are in orbisk/link/codes.h.
inline constexpr int kOk = 0;
inline constexpr int kFail = -1;
inline constexpr int kNoData = -32704;
inline constexpr int kBadIdentifier = -32705;
inline constexpr int kBufferTooShort = -32706;
inline constexpr int kBadArgument = -32707;
inline constexpr int kDashed = -32768;

// Dashed markers of the stores.
inline constexpr std::uint16_t kDashed16 = 0x8000;
inline constexpr std::uint8_t kDashed8 = 255;

}  // namespace orbisk::data
