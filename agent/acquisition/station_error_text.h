#pragma once

#include <cstdint>
#include <string>

namespace agent {

// Address that ends the message for a code the agent does not know.
inline constexpr const char* kSupportAddress = "support@example.org";

// French journal text for a result code of the station library: the code and its message
// ("32701 | Erreur de communication ..."), or the support message for an unknown code.
// A leading minus sign is dropped so negative codes read as plain numbers.
std::string StationErrorText(std::int32_t code);

}  // namespace agent
