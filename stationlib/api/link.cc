// Link family: opening and closing links, timeouts and raw bytes.
#include <cstdio>
#include <string>

#include "stationlib/api/family_functions.h"
#include "stationlib/link/codes.h"
#include "stationlib/link/exchange.h"
#include "stationlib/link/library_clock.h"
#include "stationlib/link/station.h"
#include "stationlib/link/usb_comm_protocol.h"

namespace orbisk::api {
namespace {

using namespace orbisk::link;

constexpr int kDefaultPort = 1;
constexpr int kDefaultBaud = 19200;
constexpr std::size_t kSerialTextLimit = 100;
constexpr int kBaudSettleMs = 15;

// The serial timeout record given to SetCommTimeoutVal_O; nothing reads it.
SerialTimeouts g_requested_comm_timeouts{};

std::int16_t Low16(std::int32_t value) {
  return static_cast<std::int16_t>(value & 0xFFFF);
}

}  // namespace

int32_t OpenCommPort(int32_t port, int32_t baud) {
  return OpenSerialLink(Low16(port), static_cast<std::uint16_t>(baud & 0xFFFF));
}

int32_t OpenDefaultCommPort(void) {
  return OpenSerialLink(kDefaultPort, kDefaultBaud);
}

int32_t OpenUSBPort(int32_t serial_number) {
  return OpenUsbLink(serial_number);
}

int32_t OpenTCPIPPort(const char* port_text, const char* address) {
  return OpenTcpLink(port_text != nullptr ? port_text : "", address != nullptr ? address : "");
}

int32_t CloseCommPort(void) {
  return CloseActiveLink();
}
int32_t CloseTCPIPPort(void) {
  return CloseActiveLink();
}
int32_t CloseUSBPort(void) {
  return CloseActiveLink();
}

int32_t GetUSBDevSerialNumber(void) {
  return UsbDeviceSerialNumber();
}

int32_t SetCommTimeoutVal(int32_t read_multiplier, int32_t write_multiplier) {
  CommProtocol* t = ActiveTransport();
  if (t == nullptr) return kCommFailure;
  g_requested_comm_timeouts = {0xFFFF, static_cast<std::uint32_t>(read_multiplier), 0,
                               static_cast<std::uint32_t>(write_multiplier), 0};
  t->SelectTimeout(0);
  return kCommFailure;  // this export reports failure in every case
}

int32_t SetOrbiskTimeoutVal(int32_t row) {
  CommProtocol* t = ActiveTransport();
  if (t != nullptr) t->SelectTimeout(row);
  return kCommFailure;  // this export reports failure in every case, also when the row was applied
}

int32_t SetNewBaud(int32_t rate) {
  switch (rate) {
    case 1200:
    case 2400:
    case 4800:
    case 9600:
    case 14400:
    case 19200:
      break;
    default:
      return kInvalidArgument;
  }
  if (!WakeUp()) return kCommFailure;
  char command[32];
  std::snprintf(command, sizeof command, "BAUD %d\n", static_cast<int>(rate));
  PurgeLink();
  if (SendText(command) != 0) {
    CommProtocol* t = ActiveTransport();
    return t != nullptr ? t->LastError() : kCommFailure;
  }
  link::LibraryClock().SleepMs(kBaudSettleMs);
  CloseActiveLink();
  std::int32_t reopened = OpenSerialLink(LastSerialPort(), rate);
  PurgeLink();
  return reopened;
}

int32_t ClearReceiveBuffer(void) {
  CommProtocol* t = ActiveTransport();
  return t == nullptr ? kCommFailure : t->Purge();
}

int32_t PutSerialStr(const char* text) {
  CommProtocol* t = ActiveTransport();
  if (t == nullptr) return kCommFailure;
  if (text == nullptr) return kBufferMissing;
  char copy[kSerialTextLimit];
  std::snprintf(copy, sizeof copy, "%s", text);
  return t->WriteText(copy);
}

int32_t PutSerialChar(int32_t byte) {
  CommProtocol* t = ActiveTransport();
  return t == nullptr ? kCommFailure : t->WriteByte(static_cast<std::uint8_t>(byte & 0xFF));
}

int32_t GetSerialChar(void) {
  CommProtocol* t = ActiveTransport();
  return t == nullptr ? -1 : t->ReadByte();
}

}  // namespace orbisk::api
