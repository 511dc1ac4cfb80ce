#pragma once
// CRC-16 as the console computes it: polynomial 0x1021, initial 0, no
// reflection, no final XOR. A block followed by its CRC (high byte first)
// checks to 0.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace consolesim {

std::uint16_t Crc16(std::string_view bytes, std::uint16_t crc = 0);

// Appends the CRC of `block` to it, high byte first.
void AppendCrc(std::string& block);

}  // namespace consolesim
