#pragma once
// French names of the wind sector and of the barometer trend.

#include <string>
#include <string_view>

namespace agent {

// "NNW" -> "Nord / Nord-Ouest"; compared exactly, anything else gives "---".
std::string WindSectorName(std::string_view abbreviation);

// The trend compared in upper case: "Falling Rapidly" -> "Baisse rapide";
// an unknown trend gives itself in upper case.
std::string PressureTrendText(std::string_view trend);

}  // namespace agent
