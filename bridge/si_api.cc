// libSiUSBXp.so over the Linux CP210x tty driver: each device is a tty
// opened raw; reads and writes wait at most the library-wide timeouts.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "bridge/SiUSBXp.h"
#include "platform/serial_port.h"
#include "bridge/si_devices.h"

namespace {

struct Device {
  platform::SerialPort port;
};

std::atomic<std::uint32_t> g_readTimeoutMs{1000};
std::atomic<std::uint32_t> g_writeTimeoutMs{1000};

platform::SerialTimeoutRecord CurrentTimeouts() {
  return {0, 0, g_readTimeoutMs.load(), 0, g_writeTimeoutMs.load()};
}

Device* FromHandle(SI_HANDLE handle) { return static_cast<Device*>(handle); }

}  // namespace

#define SI_EXPORT extern "C" __attribute__((visibility("default")))

SI_EXPORT SI_STATUS SI_GetNumDevices(uint32_t* numDevices) {
  if (numDevices == nullptr) return SI_INVALID_PARAMETER;
  *numDevices = static_cast<uint32_t>(bridge::ListDevices().size());
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_GetProductString(uint32_t deviceNum, char* deviceString, uint32_t options) {
  if (deviceString == nullptr) return SI_INVALID_PARAMETER;
  std::vector<bridge::BridgeDevice> devices = bridge::ListDevices();
  if (deviceNum >= devices.size()) return SI_DEVICE_NOT_FOUND;
  const bridge::BridgeDevice& d = devices[deviceNum];
  const char* text = nullptr;
  switch (options) {
    case SI_RETURN_SERIAL_NUMBER: text = d.serial.c_str(); break;
    case SI_RETURN_DESCRIPTION: text = "CP210x USB to UART Bridge"; break;
    case SI_RETURN_LINK_NAME: text = d.path.c_str(); break;
    default: return SI_INVALID_PARAMETER;
  }
  std::snprintf(deviceString, SI_MAX_DEVICE_STRLEN, "%s", text);
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_Open(uint32_t deviceNum, SI_HANDLE* handle) {
  if (handle == nullptr) return SI_INVALID_PARAMETER;
  *handle = nullptr;
  std::vector<bridge::BridgeDevice> devices = bridge::ListDevices();
  if (deviceNum >= devices.size()) return SI_DEVICE_NOT_FOUND;
  Device* device = new (std::nothrow) Device;
  if (device == nullptr) return SI_GLOBAL_DATA_ERROR;
  if (device->port.Open(devices[deviceNum].path) != 0 || device->port.Configure(19200, false) != 0) {
    delete device;
    return SI_DEVICE_NOT_FOUND;
  }
  *handle = device;
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_Close(SI_HANDLE handle) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  delete FromHandle(handle);
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_Read(SI_HANDLE handle, void* buffer, uint32_t bytesToRead, uint32_t* bytesReturned,
                            void* /*overlapped*/) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  if (buffer == nullptr || bytesReturned == nullptr) return SI_INVALID_PARAMETER;
  Device* d = FromHandle(handle);
  d->port.SetTimeouts(CurrentTimeouts());
  platform::SerialResult r = d->port.Read(static_cast<uint8_t*>(buffer), bytesToRead);
  *bytesReturned = static_cast<uint32_t>(r.bytes);
  if (r.error != 0 || r.hangup) return SI_READ_ERROR;
  return r.bytes == bytesToRead ? SI_SUCCESS : SI_READ_TIMED_OUT;
}

SI_EXPORT SI_STATUS SI_Write(SI_HANDLE handle, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten,
                             void* /*overlapped*/) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  if (buffer == nullptr || bytesWritten == nullptr) return SI_INVALID_PARAMETER;
  Device* d = FromHandle(handle);
  d->port.SetTimeouts(CurrentTimeouts());
  platform::SerialResult r = d->port.Write(static_cast<const uint8_t*>(buffer), bytesToWrite);
  *bytesWritten = static_cast<uint32_t>(r.bytes);
  if (r.error != 0 || r.hangup) return SI_WRITE_ERROR;
  return r.bytes == bytesToWrite ? SI_SUCCESS : SI_WRITE_TIMED_OUT;
}

SI_EXPORT SI_STATUS SI_FlushBuffers(SI_HANDLE handle, uint8_t flushTransmit, uint8_t flushReceive) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  return FromHandle(handle)->port.Flush(flushReceive != 0, flushTransmit != 0) == 0 ? SI_SUCCESS
                                                                                  : SI_DEVICE_IO_FAILED;
}

SI_EXPORT SI_STATUS SI_SetTimeouts(uint32_t readTimeoutMs, uint32_t writeTimeoutMs) {
  g_readTimeoutMs = readTimeoutMs;
  g_writeTimeoutMs = writeTimeoutMs;
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_GetTimeouts(uint32_t* readTimeoutMs, uint32_t* writeTimeoutMs) {
  if (readTimeoutMs == nullptr || writeTimeoutMs == nullptr) return SI_INVALID_PARAMETER;
  *readTimeoutMs = g_readTimeoutMs;
  *writeTimeoutMs = g_writeTimeoutMs;
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_CheckRXQueue(SI_HANDLE handle, uint32_t* bytesInQueue, uint32_t* queueStatus) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  if (bytesInQueue == nullptr || queueStatus == nullptr) return SI_INVALID_PARAMETER;
  long available = FromHandle(handle)->port.Available();
  if (available < 0) return SI_DEVICE_IO_FAILED;
  *bytesInQueue = static_cast<uint32_t>(available);
  *queueStatus = available > 0 ? SI_RX_READY : SI_RX_EMPTY;
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_SetBaudRate(SI_HANDLE handle, uint32_t baudRate) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  return FromHandle(handle)->port.Configure(static_cast<int>(baudRate), false) == 0 ? SI_SUCCESS
                                                                                     : SI_INVALID_BAUDRATE;
}

SI_EXPORT SI_STATUS SI_SetLineControl(SI_HANDLE handle, uint16_t lineControl) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  // The ttys are always driven as 8 data bits, no parity, one stop bit.
  return lineControl == SI_LINE_8N1 ? SI_SUCCESS : SI_INVALID_PARAMETER;
}

SI_EXPORT SI_STATUS SI_SetFlowControl(SI_HANDLE handle, uint8_t /*ctsMaskCode*/, uint8_t /*rtsMaskCode*/,
                                      uint8_t /*dtrMaskCode*/, uint8_t /*dsrMaskCode*/, uint8_t /*dcdMaskCode*/,
                                      int32_t flowXonXoff) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  // Modem lines are status inputs here; software flow control is not offered.
  return flowXonXoff == 0 ? SI_SUCCESS : SI_FUNCTION_NOT_SUPPORTED;
}
