#include "stationlib/link/rs232_comm_protocol.h"

#include <cstring>

#include "stationlib/link/codes.h"
#include "stationlib/link/library_clock.h"
#include "stationlib/link/station.h"

namespace orbisk::link {
namespace {

platform::SerialTimeoutRecord ToPlatform(const SerialTimeouts& t) {
  return {t.read_interval, t.read_multiplier, t.read_constant, t.write_multiplier,
          t.write_constant};
}

constexpr int kPurgeBlock = 32;

}  // namespace

RS232CommProtocol::RS232CommProtocol(const CommProtocol& settings) : CommProtocol(settings) {
  SerialLastError() = 0;
  handle = nullptr;
  status = 0;
  pushed_back = -1;
}

RS232CommProtocol::~RS232CommProtocol() {
  port_.Close();
}

int RS232CommProtocol::LastError() const {
  return SerialLastError();
}

int RS232CommProtocol::Open() {
  int error = port_.Open(platform::SerialDevicePath(port));
  if (error != 0) {
    SerialLastError() = platform::SerialOpenErrorCode(error);
    SetClass(SerialLastError() == kErrPortNotFound ? kStatusPortNotFound : kStatusOpenFailure);
    return 0;
  }
  error = port_.Configure(baud, handshake_a != 0 || handshake_b != 0);
  if (error != 0) {
    SerialLastError() = error;
    SetClass(kStatusOpenFailure);
    port_.Close();
    return 0;
  }
  port_.SetDtr(true);
  port_.SetClock(LibraryClock());
  // A fresh link reads under finite limits until a row is chosen.
  ApplyTimeouts(TimeoutRow(kInitialSerialRow).serial);
  handle = this;
  status = kStatusOpen;
  return 1;
}

int RS232CommProtocol::Close() {
  if (port_.IsOpen()) {
    if ((status & kStatusPulseOnClose) != 0) ResetLine();
    port_.Close();
  }
  handle = nullptr;
  status &= ~kStatusOpen;
  return 1;
}

void RS232CommProtocol::ResetLine() {
  if (port_.IsOpen()) {
    port_.SetDtr(false);
    LibraryClock().SleepMs(500);
    LibraryClock().SleepMs(500);
    port_.SetDtr(true);
  }
  status &= ~(kStatusIoFailure | kStatusTimeout);
}

void RS232CommProtocol::RecordFailure(const platform::SerialResult& result,
                                      std::int32_t default_code) {
  if (result.error == 0 && !result.hangup) {
    SerialLastError() = kErrTimeout;
    SetClass(kStatusTimeout);
    return;
  }
  SetClass(result.hangup ? kStatusDeviceError : kStatusOpenFailure);
  SerialLastError() = result.error != 0 ? result.error : default_code;
}

int RS232CommProtocol::ReceiveOne() {
  if (!port_.IsOpen()) {
    SerialLastError() = kErrReadFailed;
    return -1;
  }
  std::uint8_t byte = 0;
  platform::SerialResult result = port_.Read(&byte, 1);
  if (result.bytes == 1) {
    SerialLastError() = 0;
    ReloadKeepAlive();
    return byte;
  }
  RecordFailure(result, kErrReadFailed);
  return -1;
}

int RS232CommProtocol::ReadByte() {
  int pushed = TakePushedBack();
  if (pushed >= 0) return pushed;
  return ReceiveOne();
}

int RS232CommProtocol::Transmit(const std::uint8_t* data, std::size_t size) {
  if (!port_.IsOpen()) {
    SerialLastError() = kErrWriteFailed;
    return -1;
  }
  platform::SerialResult result = port_.Write(data, size);
  if (result.bytes == size) {
    SerialLastError() = 0;
    ReloadKeepAlive();
    return 0;
  }
  RecordFailure(result, kErrWriteFailed);
  return -1;
}

int RS232CommProtocol::WriteByte(std::uint8_t byte) {
  return Transmit(&byte, 1);
}

int RS232CommProtocol::WriteText(const char* text) {
  if (text == nullptr) return -1;
  return Transmit(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
}

void RS232CommProtocol::ApplyTimeouts(const SerialTimeouts& record) {
  current_ = record;
  port_.SetTimeouts(ToPlatform(record));
}

void RS232CommProtocol::SaveTimeouts() {
  saved_ = current_;
}

void RS232CommProtocol::RestoreTimeouts() {
  ApplyTimeouts(saved_);
}

void RS232CommProtocol::SelectTimeout(int row) {
  int effective = EffectiveRow(row);
  if (effective < 0 || !IsOpen()) return;
  ApplyTimeouts(TimeoutRow(effective).serial);
}

void RS232CommProtocol::ApplySerialRecord(const SerialTimeouts& record) {
  if (IsOpen()) ApplyTimeouts(record);
}

int RS232CommProtocol::Purge() {
  pushed_back = -1;
  if (!port_.IsOpen()) return -1;
  SaveTimeouts();
  SelectTimeout(kPollRow);
  LibraryClock().SleepMs(20);
  std::uint8_t block[kPurgeBlock];
  for (;;) {
    platform::SerialResult result = port_.Read(block, sizeof block);
    if (result.error != 0 || result.hangup) {
      SetClass(kStatusIoFailure);
      SerialLastError() = result.error != 0 ? result.error : kErrReadFailed;
      break;
    }
    if (result.bytes < sizeof block) break;
  }
  RestoreTimeouts();
  port_.Flush();
  return 1;
}

int RS232CommProtocol::PollByte() {
  return PollUsingReceiveOne();
}

}  // namespace orbisk::link
