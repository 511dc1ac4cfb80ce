#include "stationlib/link/usb_comm_protocol.h"

#include <cstdlib>
#include <cstring>

#include "stationlib/link/codes.h"
#include "stationlib/link/library_clock.h"
#include "stationlib/link/usb_bridge.h"

namespace orbisk::link {
namespace {

constexpr std::int64_t kPollStepMs = 1;

int ParseSerial(const char* text) {
  return static_cast<int>(std::strtol(text, nullptr, 10));
}

}  // namespace

USBCommProtocol::USBCommProtocol(const CommProtocol& settings) : CommProtocol(settings) {
  handle = nullptr;
  status = 0;
  pushed_back = -1;
}

USBCommProtocol::~USBCommProtocol() {
  if (handle != nullptr) Close();
}

void USBCommProtocol::MapSetupStatus(int si_status) {
  switch (si_status) {
    case SI_DEVICE_NOT_FOUND:
      last_error_ = kErrUsbDeviceNotFound;
      break;
    case SI_RESET_ERROR:
      last_error_ = kErrUsbResetError;
      break;
    case SI_DEVICE_IO_FAILED:
      last_error_ = kErrUsbInvalidBaud;
      break;
    default:
      last_error_ = kErrUsbOther;
      break;
  }
}

int USBCommProtocol::Open() {
  const BridgeFunctions* si = Bridge();
  std::uint32_t count = 0;
  if (si == nullptr || si->get_num_devices(&count) != SI_SUCCESS) {
    last_error_ = kErrNoUsbDevice;
    SetClass(kStatusPortNotFound);
    return 0;
  }
  SI_HANDLE device = nullptr;
  for (std::uint32_t i = 0; i < count && device == nullptr; ++i) {
    char serial[SI_MAX_DEVICE_STRLEN] = {};
    if (si->get_product_string(i, serial, SI_RETURN_SERIAL_NUMBER) != SI_SUCCESS) continue;
    if (usb_serial_wanted != 1 && ParseSerial(serial) != usb_serial_wanted) continue;
    SI_STATUS opened = si->open(i, &device);
    if (opened == SI_SUCCESS) break;
    device = nullptr;
    if (opened == SI_RESET_ERROR) last_error_ = kErrUsbResetError;
    break;
  }
  if (device == nullptr) {
    if (last_error_ != kErrUsbResetError) last_error_ = kErrNoUsbDevice;
    SetClass(kStatusPortNotFound);
    return 0;
  }
  SI_STATUS step = si->set_baud_rate(device, static_cast<std::uint32_t>(baud));
  if (step == SI_SUCCESS) step = si->set_line_control(device, SI_LINE_8N1);
  if (step == SI_SUCCESS) step = si->set_flow_control(device, 1, 2, 1, 1, 1, 0);
  if (step != SI_SUCCESS) {
    MapSetupStatus(step);
    si->close(device);
    SetClass(kStatusOpenFailure);
    return 0;
  }
  handle = device;
  last_error_ = 0;
  status = kStatusOpen;
  // A fresh link gets the same finite limits as the serial link.
  SelectTimeout(kInitialSerialRow);
  return 1;
}

int USBCommProtocol::Close() {
  const BridgeFunctions* si = Bridge();
  int result = 1;
  if (handle != nullptr && si != nullptr) {
    if (si->close(handle) == SI_DEVICE_NOT_FOUND) {
      last_error_ = kErrUsbDeviceNotFound;
      result = 0;
    }
  }
  handle = nullptr;
  status &= ~kStatusOpen;
  return result;
}

void USBCommProtocol::ResetLine() {
  if ((status & 0x1) != 0) LibraryClock().SleepMs(500);
  status &= ~(kStatusIoFailure | kStatusTimeout);
}

int USBCommProtocol::ReceiveOne() {
  const BridgeFunctions* si = Bridge();
  if (!IsOpen() || si == nullptr) return -1;
  std::uint32_t read_ms = 0, write_ms = 0;
  si->get_timeouts(&read_ms, &write_ms);
  platform::Env& clock = LibraryClock();
  const std::int64_t deadline = clock.MonotonicMs() + read_ms;
  std::uint32_t queued = 0, queue_status = 0;
  for (;;) {
    if (si->check_rx_queue(handle, &queued, &queue_status) != SI_SUCCESS) {
      last_error_ = kErrReadFailed;
      SetClass(kStatusDeviceError);
      return -1;
    }
    if (queued > 0 || clock.MonotonicMs() >= deadline) break;
    clock.SleepMs(kPollStepMs);
  }
  if (queued == 0) {
    last_error_ = kOsErrorTimeout;
    SetClass(kStatusTimeout);
    return -1;
  }
  std::uint8_t byte = 0;
  std::uint32_t got = 0;
  SI_STATUS r = si->read(handle, &byte, 1, &got, nullptr);
  usb_read_status = static_cast<std::int16_t>(r);
  if (r == SI_SUCCESS && got == 1) {
    last_error_ = 0;
    ReloadKeepAlive();
    return byte;
  }
  if (r == SI_READ_TIMED_OUT) {
    last_error_ = kOsErrorTimeout;
    SetClass(kStatusTimeout);
  } else {
    last_error_ = kErrReadFailed;
    SetClass(kStatusDeviceError);
  }
  return -1;
}

int USBCommProtocol::ReadByte() {
  int pushed = TakePushedBack();
  if (pushed >= 0) return pushed;
  return ReceiveOne();
}

int USBCommProtocol::ReadBlock(std::uint8_t* buffer, int count) {
  const BridgeFunctions* si = Bridge();
  if (!IsOpen() || si == nullptr || buffer == nullptr || count < 0) return -1;
  std::uint32_t queued = 0, queue_status = 0;
  if (si->check_rx_queue(handle, &queued, &queue_status) != SI_SUCCESS ||
      queued < static_cast<std::uint32_t>(count)) {
    return -1;
  }
  std::uint32_t got = 0;
  SI_STATUS r = si->read(handle, buffer, static_cast<std::uint32_t>(count), &got, nullptr);
  usb_read_status = static_cast<std::int16_t>(r);
  if (r == SI_SUCCESS && got == static_cast<std::uint32_t>(count)) {
    last_error_ = 0;
    ReloadKeepAlive();
    return 0;
  }
  last_error_ = r == SI_READ_TIMED_OUT ? kOsErrorTimeout : kErrReadFailed;
  SetClass(r == SI_READ_TIMED_OUT ? kStatusTimeout : kStatusDeviceError);
  return -1;
}

int USBCommProtocol::Transmit(const void* data, std::uint32_t size) {
  const BridgeFunctions* si = Bridge();
  if (!IsOpen() || si == nullptr) return -1;
  std::uint32_t written = 0;
  SI_STATUS r = si->write(handle, data, size, &written, nullptr);
  if (r == SI_SUCCESS && written == size) {
    ReloadKeepAlive();
    return 0;
  }
  if (r == SI_WRITE_TIMED_OUT) {
    last_error_ = kOsErrorTimeout;
    SetClass(kStatusTimeout | kStatusDeviceError);
  } else {
    last_error_ = kErrWriteFailed;
    SetClass(kStatusDeviceError);
  }
  return -1;
}

int USBCommProtocol::WriteByte(std::uint8_t byte) {
  return Transmit(&byte, 1);
}

int USBCommProtocol::WriteText(const char* text) {
  if (text == nullptr) return -1;
  return Transmit(text, static_cast<std::uint32_t>(std::strlen(text)));
}

void USBCommProtocol::SaveTimeouts() {
  if (const BridgeFunctions* si = Bridge()) si->get_timeouts(&saved_read_ms_, &saved_write_ms_);
}

void USBCommProtocol::RestoreTimeouts() {
  if (const BridgeFunctions* si = Bridge()) si->set_timeouts(saved_read_ms_, saved_write_ms_);
}

void USBCommProtocol::SelectTimeout(int row) {
  int effective = EffectiveRow(row);
  const BridgeFunctions* si = Bridge();
  if (effective < 0 || !IsOpen() || si == nullptr) return;
  si->set_timeouts(TimeoutRow(effective).usb_read_ms, TimeoutRow(effective).usb_write_ms);
}

void USBCommProtocol::ApplySerialRecord(const SerialTimeouts& record) {
  const BridgeFunctions* si = Bridge();
  if (!IsOpen() || si == nullptr) return;
  std::uint32_t read_ms = 0, write_ms = 0;
  si->get_timeouts(&read_ms, &write_ms);
  si->set_timeouts(record.read_constant, write_ms);
}

int USBCommProtocol::Purge() {
  pushed_back = -1;
  const BridgeFunctions* si = Bridge();
  if (!IsOpen() || si == nullptr) return 0;
  SaveTimeouts();
  SelectTimeout(kPollRow);
  LibraryClock().SleepMs(20);
  RestoreTimeouts();
  return si->flush_buffers(handle, 1, 1) == SI_SUCCESS ? 1 : 0;
}

int USBCommProtocol::PollByte() {
  return PollUsingReceiveOne();
}

std::int32_t UsbDeviceSerialNumber() {
  const BridgeFunctions* si = Bridge();
  char serial[SI_MAX_DEVICE_STRLEN] = {};
  if (si == nullptr || si->get_product_string(0, serial, SI_RETURN_SERIAL_NUMBER) != SI_SUCCESS)
    return 0;
  return ParseSerial(serial);
}

}  // namespace orbisk::link
