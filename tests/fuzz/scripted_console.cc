#include "tests/fuzz/scripted_console.h"

#include "stationlib/link/exchange.h"

namespace fuzz {

using orbisk::link::kStatusOpen;
using orbisk::link::kStatusTimeout;

void SealReply(std::string& reply, std::size_t prefix) {
  if (reply.size() < prefix + 2) return;
  const std::size_t covered = reply.size() - 2 - prefix;
  const std::uint16_t crc =
      orbisk::link::Crc16(reinterpret_cast<const std::uint8_t*>(reply.data()) + prefix, covered);
  reply[reply.size() - 2] = static_cast<char>(crc >> 8);
  reply[reply.size() - 1] = static_cast<char>(crc & 0xFF);
}

std::string EncodeTurn(const std::string& reply) {
  // A reply whose checksum holds after a known prefix is sealed, so that its
  // mutations keep reaching the decoders.
  std::uint8_t flags = 0;
  for (std::size_t prefix : {0, 1, 6}) {
    if (reply.size() < prefix + 3) continue;
    if (orbisk::link::Crc16(reinterpret_cast<const std::uint8_t*>(reply.data()) + prefix,
                            reply.size() - prefix) == 0) {
      flags = static_cast<std::uint8_t>(kSealFlag | prefix);
      break;
    }
  }
  const std::size_t length = std::min<std::size_t>(reply.size(), 0xFFFF);
  std::string piece;
  piece += static_cast<char>(flags);
  piece += static_cast<char>(length & 0xFF);
  piece += static_cast<char>(length >> 8);
  piece.append(reply, 0, length);
  return piece;
}

int ScriptedConsole::Open() {
  handle = this;
  status = kStatusOpen;
  return 1;
}

int ScriptedConsole::Close() {
  handle = nullptr;
  status &= ~kStatusOpen;
  return 1;
}

void ScriptedConsole::Written() {
  if (!read_since_write_) return;
  read_since_write_ = false;
  const std::uint8_t flags = turns_.Byte();
  reply_ = std::string(turns_.Take(turns_.Word()));
  at_ = 0;
  if ((flags & kSealFlag) != 0) SealReply(reply_, flags & kPrefixMask);
}

int ScriptedConsole::ReceiveOne() {
  read_since_write_ = true;
  if (!IsOpen()) return -1;
  if (at_ < reply_.size()) {
    ReloadKeepAlive();
    return static_cast<std::uint8_t>(reply_[at_++]);
  }
  SetClass(kStatusTimeout);
  return -1;
}

int ScriptedConsole::ReadByte() {
  const int pushed = TakePushedBack();
  return pushed >= 0 ? pushed : ReceiveOne();
}

int ScriptedConsole::Purge() {
  read_since_write_ = true;
  pushed_back = -1;
  at_ = reply_.size();
  return 1;
}

int ScriptedConsole::WriteByte(std::uint8_t) {
  if (!IsOpen()) return -1;
  Written();
  return 0;
}

int ScriptedConsole::WriteText(const char* text) {
  if (!IsOpen() || text == nullptr) return -1;
  Written();
  return 0;
}

}  // namespace fuzz
