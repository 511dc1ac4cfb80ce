#include "stationlib/link/exchange.h"

#include <cstdio>
#include <cstring>

#include "stationlib/link/codes.h"
#include "stationlib/link/station.h"

namespace orbisk::link {
namespace {

constexpr int kWakeAttempts = 3;
constexpr int kCommandAttempts = 3;
constexpr std::size_t kTextLimit = 511;

std::uint16_t g_checksum = 0;

// The transport when one exists and is open, else null.
CommProtocol* OpenTransport() {
  CommProtocol* t = ActiveTransport();
  return t != nullptr && t->IsOpen() ? t : nullptr;
}

int ReadOne() {
  CommProtocol* t = OpenTransport();
  return t == nullptr ? -1 : t->ReadByte();
}

}  // namespace

void ResetChecksum() {
  g_checksum = 0;
}
std::uint16_t Checksum() {
  return g_checksum;
}

int PurgeLink() {
  CommProtocol* t = ActiveTransport();
  return t == nullptr ? -1 : t->Purge();
}
void SaveLinkTimeouts() {
  if (CommProtocol* t = ActiveTransport()) t->SaveTimeouts();
}
void RestoreLinkTimeouts() {
  if (CommProtocol* t = ActiveTransport()) t->RestoreTimeouts();
}
void SelectLinkTimeout(int row) {
  if (CommProtocol* t = ActiveTransport()) t->SelectTimeout(row);
}
void ApplySerialRecord(const SerialTimeouts& record) {
  if (CommProtocol* t = ActiveTransport()) t->ApplySerialRecord(record);
}

int SendByte(std::uint8_t byte) {
  CommProtocol* t = OpenTransport();
  return t == nullptr ? -1 : t->WriteByte(byte);
}

int SendText(const char* text) {
  CommProtocol* t = OpenTransport();
  return t == nullptr || text == nullptr ? -1 : t->WriteText(text);
}

int SendWord(std::uint16_t value) {
  const std::uint8_t low = static_cast<std::uint8_t>(value & 0xFF);
  const std::uint8_t high = static_cast<std::uint8_t>(value >> 8);
  g_checksum = CrcStep(CrcStep(g_checksum, low), high);
  if (SendByte(low) != 0) return -1;
  return SendByte(high);
}

int SendChecksum() {
  const std::uint16_t crc = g_checksum;
  if (SendByte(static_cast<std::uint8_t>(crc >> 8)) != 0) return -1;
  return SendByte(static_cast<std::uint8_t>(crc & 0xFF));
}

bool WakeUp() {
  if (OpenTransport() == nullptr) return false;
  bool awake = false;
  for (int attempt = 0; attempt < kWakeAttempts && !awake; ++attempt) {
    PurgeLink();
    if (SendByte(kLineFeed) != 0) continue;
    if (ReadOne() >= 0) {
      ReadOne();  // the console answers line feed, carriage return
      awake = true;
    }
  }
  PurgeLink();
  return awake;
}

bool ExpectAck() {
  int byte = ReadOne();
  if (byte == kAck) return true;
  if (byte >= 0) SerialLastError() = kErrNotAcknowledged;
  return false;
}

int ReadRaw(std::size_t n) {
  std::uint8_t* buffer = ReceiveBuffer();
  if (buffer == nullptr || n > ReceiveBufferSize()) return -1;
  for (std::size_t i = 0; i < n; ++i) {
    int byte = ReadOne();
    if (byte < 0) return -1;
    buffer[i] = static_cast<std::uint8_t>(byte);
  }
  return 0;
}

bool ExpectOk() {
  if (ReadRaw(6) != 0) return false;
  const std::uint8_t* b = ReceiveBuffer();
  return b[2] == 'O' && b[3] == 'K';
}

bool ExpectDone() {
  SaveLinkTimeouts();
  ApplySerialRecord(kLongWaitRecord);
  bool done = ReadRaw(6) == 0 && std::memcmp(ReceiveBuffer(), "DONE", 4) == 0;
  // Restore before the clear: the clear saves and restores timeouts itself,
  // and would otherwise leave the long wait in force.
  RestoreLinkTimeouts();
  if (done) PurgeLink();
  return done;
}

int ReadChecked(std::size_t n) {
  ResetChecksum();
  ReceivedLength() = 0;
  std::uint8_t* buffer = ReceiveBuffer();
  if (buffer == nullptr || n > ReceiveBufferSize()) return -1;
  for (std::size_t i = 0; i < n; ++i) {
    int byte = ReadOne();
    if (byte < 0) return -1;
    buffer[i] = static_cast<std::uint8_t>(byte);
    g_checksum = CrcStep(g_checksum, buffer[i]);
    ReceivedLength() = i + 1;
  }
  return g_checksum == 0 ? 0 : kErrChecksumRead;
}

int ReadTextUntilSilence() {
  std::uint8_t* buffer = ReceiveBuffer();
  if (buffer == nullptr || ReceiveBufferSize() <= kTextLimit) return -1;
  std::size_t count = 0;
  for (;;) {
    int byte = ReadOne();
    if (byte < 0) break;
    if (byte == 0) return -1;
    if (count == kTextLimit) {
      buffer[count] = 0;
      return -1;
    }
    buffer[count++] = static_cast<std::uint8_t>(byte);
  }
  buffer[count] = 0;
  // Only a read that ran out of time means the console has finished.
  CommProtocol* t = ActiveTransport();
  return t != nullptr && (t->status & kStatusTimeout) != 0 ? 0 : -1;
}

std::int32_t EepromRead(unsigned address, unsigned length, std::uint8_t* destination) {
  PurgeLink();
  if (!WakeUp()) return kCommFailure;
  char command[32];
  std::snprintf(command, sizeof command, "EEBRD %X %X\n", address, length);
  if (SendText(command) != 0 || !ExpectAck()) return kCommFailure;
  if (ReadChecked(static_cast<std::size_t>(length) + 2) != 0) return kCommFailure;
  if (destination != nullptr) std::memcpy(destination, ReceiveBuffer(), length);
  return kSuccess;
}

std::int32_t EepromWrite(unsigned address, unsigned length, const std::uint8_t* source) {
  if (!LinkOpen()) return kNoLinkOpen;
  if (source == nullptr && length > 0) return kCommFailure;
  PurgeLink();
  if (!WakeUp()) return kCommFailure;
  char command[32];
  std::snprintf(command, sizeof command, "EEBWR %X %X\n", address, length);
  if (SendText(command) != 0 || !ExpectAck()) return kCommFailure;
  ResetChecksum();
  for (unsigned i = 0; i < length; ++i) {
    g_checksum = CrcStep(g_checksum, source[i]);
    if (SendByte(source[i]) != 0) return kCommFailure;
  }
  if (SendChecksum() != 0) return kCommFailure;
  return ExpectAck() ? kSuccess : kCommFailure;
}

std::int32_t AckCommand(const char* text) {
  if (!WakeUp()) return kCommFailure;
  if (SendText(text) != 0) return kCommFailure;
  return ExpectAck() ? kSuccess : kCommFailure;
}

std::int32_t OkDoneCommand(const char* text) {
  if (!WakeUp()) return kCommFailure;
  if (SendText(text) != 0) return kCommFailure;
  return ExpectOk() && ExpectDone() ? kSuccess : kCommFailure;
}

std::int32_t CommandWithRetry(const char* text) {
  for (int attempt = 0; attempt < kCommandAttempts; ++attempt) {
    if (!WakeUp()) return kCommFailure;
    PurgeLink();
    if (SendText(text) == 0 && ExpectAck()) return kSuccess;
  }
  return kCommFailure;
}

}  // namespace orbisk::link
