#pragma once
// Hand-made console replies for the decoder tests.
#include <array>
#include <cstddef>
#include <cstdint>

namespace orbisk::data::testing {

template <std::size_t N>
struct PacketBuilder {
  std::array<std::uint8_t, N> bytes{};
  PacketBuilder& u8(std::size_t at, std::uint8_t v) {
    bytes[at] = v;
    return *this;
  }
  PacketBuilder& u16(std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<std::uint8_t>(v & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    return *this;
  }
};

// A plausible live packet: 72.5 F outside, 45 % outside humidity, 10 mph
// wind from 90 degrees, 30.000 inHg, steady barometer.
inline PacketBuilder<99> TypicalLoop() {
  PacketBuilder<99> p;
  p.u8(0, 'L').u8(1, 'O').u8(2, 'O').u8(3, 0).u8(4, 0);
  p.u16(7, 30000).u16(9, 700).u8(11, 40).u16(12, 725).u8(14, 10).u8(15, 8).u16(16, 90);
  for (int i = 18; i < 33; ++i) p.u8(i, 255);
  p.u8(33, 45);
  for (int i = 34; i < 41; ++i) p.u8(i, 255);
  p.u16(41, 12).u8(43, 35).u16(44, 640).u16(46, 20).u16(48, (5 << 12) | (17 << 7) | 26);
  p.u16(50, 15).u16(52, 120).u16(54, 900).u16(56, 123).u16(58, 250).u16(60, 3000);
  for (int i = 62; i < 68; ++i) p.u8(i, 255);
  p.u16(87, 800).u8(89, 8).u8(90, 45).u16(91, 645).u16(93, 1830);
  p.u8(95, 0x0A).u8(96, 0x0D);
  return p;
}

}  // namespace orbisk::data::testing
