#pragma once
// The Beaufort number of a wind speed and its three French descriptions.

#include <cstdint>
#include <string>

namespace agent {

// 0 .. 12 for a whole number of km/h (below 1 gives 0, 118 and above 12).
int BeaufortIndex(std::int32_t kmh);

// Descriptions of Beaufort number b; "---" outside 0 .. 12.
std::string BeaufortActivityText(int b);
std::string BeaufortSeaText(int b);
std::string BeaufortLandText(int b);

}  // namespace agent
