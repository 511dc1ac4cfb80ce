#pragma once
// Latitude and longitude as degrees, minutes and seconds with a French
// hemisphere word.

#include <cstdint>
#include <string>

#include "stationlib/api/OrbiskPro.h"

namespace agent {

// 45.5 gives 45.50° Nord 30' 0" and -12.25 gives 12.25° Sud 15' 0". The word
// follows the sign of the degrees and is empty only at 0.
std::string LatitudeText(const OrbiskPosition& position);
std::string LongitudeText(const OrbiskPosition& position);

}  // namespace agent
