#pragma once
// Latitude and longitude as degrees, minutes and seconds with a French
// hemisphere word.

#include <cstdint>
#include <string>

namespace agent {

// The station library's position record.
struct PositionRecord {
  std::int32_t use_value = 0;  // 0 when read from the console
  float degrees = 0;           // decimal degrees, negative for south and west
  std::int16_t negative = 0;   // 1 for south and west
  std::int16_t whole_degrees = 0;
  std::int16_t minutes = 0;
  std::int16_t seconds = 0;
};

// 45.5 gives 45.50° Nord 30' 0" and -12.25 gives 12.25° Sud 15' 0". The word
// follows the sign of the degrees and is empty only at 0.
std::string LatitudeText(const PositionRecord& position);
std::string LongitudeText(const PositionRecord& position);

}  // namespace agent
