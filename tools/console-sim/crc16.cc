#include "tools/console-sim/crc16.h"

#include <array>

namespace consolesim {
namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t value = static_cast<std::uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit)
      value = static_cast<std::uint16_t>((value & 0x8000) ? (value << 1) ^ 0x1021 : value << 1);
    table[i] = value;
  }
  return table;
}

constexpr auto kTable = MakeTable();

}  // namespace

std::uint16_t Crc16(std::string_view bytes, std::uint16_t crc) {
  for (unsigned char byte : bytes)
    crc = static_cast<std::uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ byte) & 0xFF]);
  return crc;
}

void AppendCrc(std::string& block) {
  const std::uint16_t crc = Crc16(block);
  block.push_back(static_cast<char>(crc >> 8));
  block.push_back(static_cast<char>(crc & 0xFF));
}

}  // namespace consolesim
