// A console played from a fuzz input, behind the link layer's byte interface.
//
// The console speaks in turns: whenever the library writes after it has read
// (or purged), the console's next turn begins and its reply is the next
// piece of the input:
//
//   piece = flags (1 byte), length (2 bytes, low first), reply bytes
//   flags bit 3: seal the reply, i.e. replace its last two bytes by the CRC
//                of the bytes between the prefix and them (high byte first);
//   flags bits 0-2: the prefix length (the acknowledgement, or the 6-byte
//                "OK" framing, that no CRC covers).
//
// Sealing lets mutated replies get past the checksum to the decoders. Once
// the input is spent, every read times out, as a silent console does.
#pragma once

#include <cstdint>
#include <string>

#include "stationlib/link/comm_protocol.h"
#include "tests/fuzz/fuzz_input.h"

namespace fuzz {

inline constexpr std::uint8_t kSealFlag = 0x08;
inline constexpr std::uint8_t kPrefixMask = 0x07;

// The piece of one turn, as ScriptedConsole reads it.
std::string EncodeTurn(const std::string& reply);
// Sealing in place: the last two bytes of `reply` become the CRC of
// reply[prefix, size - 2). Nothing happens when the reply is too short.
void SealReply(std::string& reply, std::size_t prefix);

class ScriptedConsole final : public orbisk::link::CommProtocol {
 public:
  explicit ScriptedConsole(FuzzInput turns) : turns_(turns) {}

  int Open() override;
  int Close() override;
  int ReadByte() override;
  int Purge() override;
  int PollByte() override { return PollUsingReceiveOne(); }
  int WriteByte(std::uint8_t byte) override;
  int WriteText(const char* text) override;

 protected:
  int ReceiveOne() override;

 private:
  void Written();

  FuzzInput turns_;
  std::string reply_;
  std::size_t at_ = 0;
  bool read_since_write_ = true;
};

}  // namespace fuzz
