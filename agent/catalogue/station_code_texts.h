#pragma once
// Texts of the console's configuration codes.

#include <cstdint>
#include <string>

namespace agent {

std::string WindCupText(std::int32_t code);        // 1 "Petite", 2 "Large", 3 "Autre", else "---"
std::string StationModelText(std::int32_t model);  // 16, 17, else "---"
std::string RainCollectorText(std::int32_t code);  // 0 .. 6, else ""
std::string ArchiveTypeText(std::int32_t type);    // 1, 2, else the number
std::string YesNoText(std::int32_t flag);          // 1 "Oui", 0 "Non", else the number
std::string OnOffText(std::int32_t flag);          // 1 "Activé", 0 "Désactivé", else the number
std::string TransmitterTypeText(std::int32_t type);  // 0 .. 12, else ""
std::string TimeZoneText(std::int32_t index);        // 0 .. 46, else ""

}  // namespace agent
