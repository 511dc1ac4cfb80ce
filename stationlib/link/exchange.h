// The command exchange with the console over the active transport: wake-up,
// acknowledgements, checksum-tested reads, configuration memory access.
// Every step returns failure (never waits without end) when no transport
// exists or the link is not open.
#pragma once

#include <cstddef>
#include <cstdint>

#include "stationlib/link/timeouts.h"

namespace orbisk::link {

inline constexpr std::uint8_t kLineFeed = 0x0A;
inline constexpr std::uint8_t kCarriageReturn = 0x0D;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;
inline constexpr std::uint8_t kEscape = 0x1B;

// Running checksum (CRC-16/XMODEM) shared by reads and writes.
std::uint16_t Crc16(const std::uint8_t* data, std::size_t size, std::uint16_t crc = 0);
std::uint16_t CrcStep(std::uint16_t crc, std::uint8_t byte);
void ResetChecksum();
std::uint16_t Checksum();

bool WakeUp();
bool ExpectAck();
bool ExpectOk();
bool ExpectDone();
// Reads n bytes into the receive buffer testing the checksum: 0, -1 (read
// failure, or n larger than the buffer) or -4 (checksum error).
int ReadChecked(std::size_t n);
// Reads n bytes into the receive buffer: 0 or -1.
int ReadRaw(std::size_t n);
// Reads until the console falls silent (up to 511 bytes, zero-terminated in
// the receive buffer): 0 or -1.
int ReadTextUntilSilence();
// Sends a 16-bit value low byte first, adding both bytes to the checksum.
int SendWord(std::uint16_t value);
// Sends the running checksum, high byte first.
int SendChecksum();
// Sends one byte / a zero-terminated text: 0 or -1.
int SendByte(std::uint8_t byte);
int SendText(const char* text);

// Configuration memory: 0 or kCommFailure (kNoLinkOpen for a write without link).
std::int32_t EepromRead(unsigned address, unsigned length, std::uint8_t* destination);
std::int32_t EepromWrite(unsigned address, unsigned length, const std::uint8_t* source);

// WakeUp, send, acknowledgement: 0 or kCommFailure.
std::int32_t AckCommand(const char* text);
// WakeUp, send, "OK", "DONE": 0 or kCommFailure.
std::int32_t OkDoneCommand(const char* text);
// Up to 3 attempts of WakeUp (a failure ends with kCommFailure), Purge, send,
// acknowledgement: 0 or kCommFailure.
std::int32_t CommandWithRetry(const char* text);

// Purge / save / restore / select on the active transport (no-ops without one).
int PurgeLink();
void SaveLinkTimeouts();
void RestoreLinkTimeouts();
void SelectLinkTimeout(int row);
void ApplySerialRecord(const SerialTimeouts& record);

}  // namespace orbisk::link
