#include "stationlib/link/usb_comm_protocol.h"

#include <cstdlib>
#include <cstring>

#include "stationlib/link/codes.h"
#include "platform/clock.h"
#include "stationlib/link/usb_bridge.h"

namespace orbisk::link {
namespace {

constexpr std::int64_t kPollStepMs = 1;

int ParseSerial(const char* text) { return static_cast<int>(std::strtol(text, nullptr, 10)); }

}  // namespace

USBCommProtocol::USBCommProtocol(const CommProtocol& settings) : CommProtocol(settings) {
  handle = nullptr;
  status = 0;
  pushedBack = -1;
}

USBCommProtocol::~USBCommProtocol() {
  if (handle != nullptr) Close();
}

void USBCommProtocol::MapSetupStatus(int siStatus) {
  switch (siStatus) {
    case SI_DEVICE_NOT_FOUND: lastError_ = kErrUsbDeviceNotFound; break;
    case SI_RESET_ERROR: lastError_ = kErrUsbResetError; break;
    case SI_DEVICE_IO_FAILED: lastError_ = kErrUsbInvalidBaud; break;
    default: lastError_ = kErrUsbOther; break;
  }
}

int USBCommProtocol::Open() {
  const BridgeFunctions* si = Bridge();
  std::uint32_t count = 0;
  if (si == nullptr || si->GetNumDevices(&count) != SI_SUCCESS) {
    lastError_ = kErrNoUsbDevice;
    SetClass(kStatusPortNotFound);
    return 0;
  }
  SI_HANDLE device = nullptr;
  for (std::uint32_t i = 0; i < count && device == nullptr; ++i) {
    char serial[SI_MAX_DEVICE_STRLEN] = {};
    if (si->GetProductString(i, serial, SI_RETURN_SERIAL_NUMBER) != SI_SUCCESS) continue;
    if (usbSerialWanted != 1 && ParseSerial(serial) != usbSerialWanted) continue;
    SI_STATUS opened = si->Open(i, &device);
    if (opened == SI_SUCCESS) break;
    device = nullptr;
    if (opened == SI_RESET_ERROR) lastError_ = kErrUsbResetError;
    break;
  }
  if (device == nullptr) {
    if (lastError_ != kErrUsbResetError) lastError_ = kErrNoUsbDevice;
    SetClass(kStatusPortNotFound);
    return 0;
  }
  SI_STATUS step = si->SetBaudRate(device, static_cast<std::uint32_t>(baud));
  if (step == SI_SUCCESS) step = si->SetLineControl(device, SI_LINE_8N1);
  if (step == SI_SUCCESS) step = si->SetFlowControl(device, 1, 2, 1, 1, 1, 0);
  if (step != SI_SUCCESS) {
    MapSetupStatus(step);
    si->Close(device);
    SetClass(kStatusOpenFailure);
    return 0;
  }
  handle = device;
  lastError_ = 0;
  status = kStatusOpen;
  // A fresh link gets the same finite limits as the serial link.
  SelectTimeout(kInitialSerialRow);
  return 1;
}

int USBCommProtocol::Close() {
  const BridgeFunctions* si = Bridge();
  int result = 1;
  if (handle != nullptr && si != nullptr) {
    if (si->Close(handle) == SI_DEVICE_NOT_FOUND) {
      lastError_ = kErrUsbDeviceNotFound;
      result = 0;
    }
  }
  handle = nullptr;
  status &= ~kStatusOpen;
  return result;
}

void USBCommProtocol::ResetLine() {
  if ((status & 0x1) != 0) platform::RealClock().SleepMs(500);
  status &= ~(kStatusIoFailure | kStatusTimeout);
}

int USBCommProtocol::ReceiveOne() {
  const BridgeFunctions* si = Bridge();
  if (!IsOpen() || si == nullptr) return -1;
  std::uint32_t readMs = 0, writeMs = 0;
  si->GetTimeouts(&readMs, &writeMs);
  platform::Clock& clock = platform::RealClock();
  const std::int64_t deadline = clock.MonotonicMs() + readMs;
  std::uint32_t queued = 0, queueStatus = 0;
  for (;;) {
    if (si->CheckRXQueue(handle, &queued, &queueStatus) != SI_SUCCESS) {
      lastError_ = kErrReadFailed;
      SetClass(kStatusDeviceError);
      return -1;
    }
    if (queued > 0 || clock.MonotonicMs() >= deadline) break;
    clock.SleepMs(kPollStepMs);
  }
  if (queued == 0) {
    lastError_ = kOsErrorTimeout;
    SetClass(kStatusTimeout);
    return -1;
  }
  std::uint8_t byte = 0;
  std::uint32_t got = 0;
  SI_STATUS r = si->Read(handle, &byte, 1, &got, nullptr);
  usbReadStatus = static_cast<std::int16_t>(r);
  if (r == SI_SUCCESS && got == 1) {
    lastError_ = 0;
    ReloadKeepAlive();
    return byte;
  }
  if (r == SI_READ_TIMED_OUT) {
    lastError_ = kOsErrorTimeout;
    SetClass(kStatusTimeout);
  } else {
    lastError_ = kErrReadFailed;
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
  std::uint32_t queued = 0, queueStatus = 0;
  if (si->CheckRXQueue(handle, &queued, &queueStatus) != SI_SUCCESS || queued < static_cast<std::uint32_t>(count)) {
    return -1;
  }
  std::uint32_t got = 0;
  SI_STATUS r = si->Read(handle, buffer, static_cast<std::uint32_t>(count), &got, nullptr);
  usbReadStatus = static_cast<std::int16_t>(r);
  if (r == SI_SUCCESS && got == static_cast<std::uint32_t>(count)) {
    lastError_ = 0;
    ReloadKeepAlive();
    return 0;
  }
  lastError_ = r == SI_READ_TIMED_OUT ? kOsErrorTimeout : kErrReadFailed;
  SetClass(r == SI_READ_TIMED_OUT ? kStatusTimeout : kStatusDeviceError);
  return -1;
}

int USBCommProtocol::Transmit(const void* data, std::uint32_t size) {
  const BridgeFunctions* si = Bridge();
  if (!IsOpen() || si == nullptr) return -1;
  std::uint32_t written = 0;
  SI_STATUS r = si->Write(handle, data, size, &written, nullptr);
  if (r == SI_SUCCESS && written == size) {
    ReloadKeepAlive();
    return 0;
  }
  if (r == SI_WRITE_TIMED_OUT) {
    lastError_ = kOsErrorTimeout;
    SetClass(kStatusTimeout | kStatusDeviceError);
  } else {
    lastError_ = kErrWriteFailed;
    SetClass(kStatusDeviceError);
  }
  return -1;
}

int USBCommProtocol::WriteByte(std::uint8_t byte) { return Transmit(&byte, 1); }

int USBCommProtocol::WriteText(const char* text) {
  if (text == nullptr) return -1;
  return Transmit(text, static_cast<std::uint32_t>(std::strlen(text)));
}

void USBCommProtocol::SaveTimeouts() {
  if (const BridgeFunctions* si = Bridge()) si->GetTimeouts(&savedReadMs_, &savedWriteMs_);
}

void USBCommProtocol::RestoreTimeouts() {
  if (const BridgeFunctions* si = Bridge()) si->SetTimeouts(savedReadMs_, savedWriteMs_);
}

void USBCommProtocol::SelectTimeout(int row) {
  int effective = EffectiveRow(row);
  const BridgeFunctions* si = Bridge();
  if (effective < 0 || !IsOpen() || si == nullptr) return;
  si->SetTimeouts(TimeoutRow(effective).usbReadMs, TimeoutRow(effective).usbWriteMs);
}

void USBCommProtocol::ApplySerialRecord(const SerialTimeouts& record) {
  const BridgeFunctions* si = Bridge();
  if (!IsOpen() || si == nullptr) return;
  std::uint32_t readMs = 0, writeMs = 0;
  si->GetTimeouts(&readMs, &writeMs);
  si->SetTimeouts(record.readConstant, writeMs);
}

int USBCommProtocol::Purge() {
  pushedBack = -1;
  const BridgeFunctions* si = Bridge();
  if (!IsOpen() || si == nullptr) return 0;
  SaveTimeouts();
  SelectTimeout(kPollRow);
  platform::RealClock().SleepMs(20);
  RestoreTimeouts();
  return si->FlushBuffers(handle, 1, 1) == SI_SUCCESS ? 1 : 0;
}

int USBCommProtocol::PollByte() { return PollUsingReceiveOne(); }

std::int32_t UsbDeviceSerialNumber() {
  const BridgeFunctions* si = Bridge();
  char serial[SI_MAX_DEVICE_STRLEN] = {};
  if (si == nullptr || si->GetProductString(0, serial, SI_RETURN_SERIAL_NUMBER) != SI_SUCCESS) return 0;
  return ParseSerial(serial);
}

}  // namespace orbisk::link
