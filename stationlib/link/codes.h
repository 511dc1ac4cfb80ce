// Result codes of the station library and the low-level last-error values
// recorded by the transports.
#pragma once

#include <cstdint>

#include "stationlib/api/OrbiskPro.h"

namespace orbisk {

// 16-bit results of the exports, under the library's own names.
enum ResultCode : std::int32_t {
  kSuccess = kOrbiskSuccess,
  kCommFailure = kOrbiskCommFailure,
  kOutOfMemory = kOrbiskOutOfMemory,
  kNoLinkOpen = kOrbiskNoLinkOpen,
  kNoDataLoaded = kOrbiskNoDataLoaded,
  kInvalidIdentifier = kOrbiskInvalidIdentifier,
  kBufferMissing = kOrbiskBufferMissing,
  kInvalidArgument = kOrbiskInvalidArgument,
  kValueDashed = kOrbiskValueDashed,
};

// Last-error values of the transports (next to plain OS error numbers).
enum LinkError : std::int32_t {
  kErrChecksumRead = -4,  // returned by the checksum-tested read only
  kErrTimeout = -5,
  kErrReadFailed = -6,
  kErrWriteFailed = -7,
  kErrNotAcknowledged = -8,  // another byte came instead of the acknowledgement
  kErrPortNotFound = -11,
  kErrPortBusy = -12,
  kErrNoUsbDevice = -13,
  kErrUsbDeviceNotFound = -14,
  kErrUsbResetError = -15,
  kErrUsbInvalidBaud = -16,
  kErrUsbOther = -17,
  kErrMessageTooLong = -19,
  kErrTcpGeneral = -20,  // also: device not discovered
  kErrSocketInUse = -22,
  kErrTcpTimeout = -23,
  kErrHostUnreachable = -24,
  kErrNotInitialised = -25,
  kErrNoSockets = -26,
  kErrReceiveTimeout = -27,
  kErrClosedByRemote = -28,
  kErrNetworkDown = -30,
  kErrNetworkUnreachable = -31,
  kErrConnectionReset = -32,
  kErrConnectionAborted = -33,
};

// Operating-system style codes kept as last errors (their Windows values, so
// callers and stored diagnostics read the same everywhere).
inline constexpr std::int32_t kOsErrorTimeout = 1460;

}  // namespace orbisk
