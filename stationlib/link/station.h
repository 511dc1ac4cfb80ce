// Library-wide station state: the active transport, the settings records,
// the shared receive buffer and the feature flags. The library is driven by
// one thread at a time; nothing here is locked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "stationlib/link/comm_protocol.h"

namespace orbisk::link {

inline constexpr std::size_t kReceiveBufferSize = 512;

// Firmware features set by InitStation_O; all false before it.
struct FeatureFlags {
  bool firmware_dated = false;  // dated on or after 18 Jul 2001
  bool no_bar_trend = false;    // before 1 Mar 2002: trend reported dashed
  bool new_firmware = false;    // after 1 Nov 2004: new archive reception formula
  bool repeater = false;        // after 8 Mar 2005: repeater battery status
  bool station_identified = false;
};

FeatureFlags& Features();

// The active transport, or null before the first open. It stays in place,
// closed, after a close.
CommProtocol* ActiveTransport();
// Whether the link-open handle is set (serial or USB handle, TCP marker).
bool LinkOpen();
LinkKind ActiveKind();

// Shared receive buffer (512 bytes from each open; enlarged by the archive
// download). Null before the first open.
std::uint8_t* ReceiveBuffer();
std::size_t ReceiveBufferSize();
// Replaces the buffer by one of `size` bytes (contents not kept); false when
// it cannot be allocated.
bool ResizeReceiveBuffer(std::size_t size);
// Bytes of the last checksum-tested read.
std::size_t& ReceivedLength();

// Library-wide serial last error (reset at load and at each serial open).
std::int32_t& SerialLastError();

// The open functions: 0, kCommFailure or kOutOfMemory.
std::int32_t OpenSerialLink(int port, int baud);
std::int32_t OpenUsbLink(std::int32_t serial_number);
std::int32_t OpenTcpLink(const std::string& port_text, const std::string& address);
// Makes a transport built elsewhere (a scripted console in tests) the active
// link, as the open functions do with theirs: 0, kCommFailure or kOutOfMemory.
std::int32_t AdoptTransport(LinkKind kind, std::unique_ptr<CommProtocol> transport);
// Close on the active transport: its result, 0 when there is none.
std::int32_t CloseActiveLink();
// Port number of the last serial open (for the baud change).
int LastSerialPort();

// Drops the transport, the settings records and the buffer (tests, unload).
void ResetStation();

}  // namespace orbisk::link
