// libSiUSBXp.so over the Linux CP210x tty driver: each device is a tty
// opened raw; reads and writes wait at most the library-wide timeouts.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "bridge/SiUSBXp.h"
#include "bridge/si_devices.h"
#include "platform/serial_port.h"

namespace {

struct Device {
  platform::SerialPort port;
};

std::atomic<std::uint32_t> g_read_timeout_ms{1000};
std::atomic<std::uint32_t> g_write_timeout_ms{1000};

platform::SerialTimeoutRecord CurrentTimeouts() {
  return {0, 0, g_read_timeout_ms.load(), 0, g_write_timeout_ms.load()};
}

Device* FromHandle(SI_HANDLE handle) {
  return static_cast<Device*>(handle);
}

}  // namespace

#define SI_EXPORT extern "C" SI_VISIBLE

SI_EXPORT SI_STATUS SI_GetNumDevices(uint32_t* num_devices) {
  if (num_devices == nullptr) return SI_INVALID_PARAMETER;
  *num_devices = static_cast<uint32_t>(bridge::ListDevices().size());
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_GetProductString(uint32_t device_num, char* device_string,
                                        uint32_t options) {
  if (device_string == nullptr) return SI_INVALID_PARAMETER;
  std::vector<bridge::BridgeDevice> devices = bridge::ListDevices();
  if (device_num >= devices.size()) return SI_DEVICE_NOT_FOUND;
  const bridge::BridgeDevice& d = devices[device_num];
  const char* text = nullptr;
  switch (options) {
    case SI_RETURN_SERIAL_NUMBER:
      text = d.serial.c_str();
      break;
    case SI_RETURN_DESCRIPTION:
      text = "CP210x USB to UART Bridge";
      break;
    case SI_RETURN_LINK_NAME:
      text = d.path.c_str();
      break;
    default:
      return SI_INVALID_PARAMETER;
  }
  std::snprintf(device_string, SI_MAX_DEVICE_STRLEN, "%s", text);
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_Open(uint32_t device_num, SI_HANDLE* handle) {
  if (handle == nullptr) return SI_INVALID_PARAMETER;
  *handle = nullptr;
  std::vector<bridge::BridgeDevice> devices = bridge::ListDevices();
  if (device_num >= devices.size()) return SI_DEVICE_NOT_FOUND;
  Device* device = new (std::nothrow) Device;
  if (device == nullptr) return SI_GLOBAL_DATA_ERROR;
  if (device->port.Open(devices[device_num].path) != 0 ||
      device->port.Configure(19200, false) != 0) {
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

SI_EXPORT SI_STATUS SI_Read(SI_HANDLE handle, void* buffer, uint32_t bytes_to_read,
                            uint32_t* bytes_returned, void* /*overlapped*/) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  if (buffer == nullptr || bytes_returned == nullptr) return SI_INVALID_PARAMETER;
  Device* d = FromHandle(handle);
  d->port.SetTimeouts(CurrentTimeouts());
  platform::SerialResult r = d->port.Read(static_cast<uint8_t*>(buffer), bytes_to_read);
  *bytes_returned = static_cast<uint32_t>(r.bytes);
  if (r.error != 0 || r.hangup) return SI_READ_ERROR;
  return r.bytes == bytes_to_read ? SI_SUCCESS : SI_READ_TIMED_OUT;
}

SI_EXPORT SI_STATUS SI_Write(SI_HANDLE handle, const void* buffer, uint32_t bytes_to_write,
                             uint32_t* bytes_written, void* /*overlapped*/) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  if (buffer == nullptr || bytes_written == nullptr) return SI_INVALID_PARAMETER;
  Device* d = FromHandle(handle);
  d->port.SetTimeouts(CurrentTimeouts());
  platform::SerialResult r = d->port.Write(static_cast<const uint8_t*>(buffer), bytes_to_write);
  *bytes_written = static_cast<uint32_t>(r.bytes);
  if (r.error != 0 || r.hangup) return SI_WRITE_ERROR;
  return r.bytes == bytes_to_write ? SI_SUCCESS : SI_WRITE_TIMED_OUT;
}

SI_EXPORT SI_STATUS SI_FlushBuffers(SI_HANDLE handle, uint8_t flush_transmit,
                                    uint8_t flush_receive) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  return FromHandle(handle)->port.Flush(flush_receive != 0, flush_transmit != 0) == 0
             ? SI_SUCCESS
             : SI_DEVICE_IO_FAILED;
}

SI_EXPORT SI_STATUS SI_SetTimeouts(uint32_t read_timeout_ms, uint32_t write_timeout_ms) {
  g_read_timeout_ms = read_timeout_ms;
  g_write_timeout_ms = write_timeout_ms;
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_GetTimeouts(uint32_t* read_timeout_ms, uint32_t* write_timeout_ms) {
  if (read_timeout_ms == nullptr || write_timeout_ms == nullptr) return SI_INVALID_PARAMETER;
  *read_timeout_ms = g_read_timeout_ms;
  *write_timeout_ms = g_write_timeout_ms;
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_CheckRXQueue(SI_HANDLE handle, uint32_t* bytes_in_queue,
                                    uint32_t* queue_status) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  if (bytes_in_queue == nullptr || queue_status == nullptr) return SI_INVALID_PARAMETER;
  long available = FromHandle(handle)->port.Available();
  if (available < 0) return SI_DEVICE_IO_FAILED;
  *bytes_in_queue = static_cast<uint32_t>(available);
  *queue_status = available > 0 ? SI_RX_READY : SI_RX_EMPTY;
  return SI_SUCCESS;
}

SI_EXPORT SI_STATUS SI_SetBaudRate(SI_HANDLE handle, uint32_t baud_rate) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  return FromHandle(handle)->port.Configure(static_cast<int>(baud_rate), false) == 0
             ? SI_SUCCESS
             : SI_INVALID_BAUDRATE;
}

SI_EXPORT SI_STATUS SI_SetLineControl(SI_HANDLE handle, uint16_t line_control) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  // The ttys are always driven as 8 data bits, no parity, one stop bit.
  return line_control == SI_LINE_8N1 ? SI_SUCCESS : SI_INVALID_PARAMETER;
}

SI_EXPORT SI_STATUS SI_SetFlowControl(SI_HANDLE handle, uint8_t /*ctsMaskCode*/,
                                      uint8_t /*rtsMaskCode*/, uint8_t /*dtrMaskCode*/,
                                      uint8_t /*dsrMaskCode*/, uint8_t /*dcdMaskCode*/,
                                      int32_t flow_xon_xoff) {
  if (handle == nullptr) return SI_INVALID_HANDLE;
  // Modem lines are status inputs here; software flow control is not offered.
  return flow_xon_xoff == 0 ? SI_SUCCESS : SI_FUNCTION_NOT_SUPPORTED;
}
