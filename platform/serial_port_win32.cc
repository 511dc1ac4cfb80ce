// A COM port through the Win32 communications calls. The port's own
// time-outs (COMMTIMEOUTS) bound each read and write, so no overlapped I/O is
// needed; they follow the same record, with the same fallbacks, as elsewhere.
#include <algorithm>
#include <cerrno>
#include <iterator>

#include "platform/serial_port.h"
#include "platform/win32_internal.h"

namespace platform {
namespace {

struct ErrorRow {
  DWORD code;
  int error;
};

// The errno values the link already understands; anything else is EIO.
constexpr ErrorRow kErrors[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},    {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_ACCESS_DENIED, EBUSY},      {ERROR_SHARING_VIOLATION, EBUSY},
    {ERROR_INVALID_HANDLE, EBADF},     {ERROR_INVALID_PARAMETER, EINVAL},
    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM}, {ERROR_OUTOFMEMORY, ENOMEM},
};

int LastError() {
  const DWORD code = ::GetLastError();
  for (const ErrorRow& row : kErrors) {
    if (row.code == code) return row.error;
  }
  return EIO;
}

constexpr int kBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

// The driver's queues, larger than any frame of the link.
constexpr DWORD kQueueBytes = 4096;

std::wstring Widen(const std::string& text) {
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

// The record as the port's time-outs. An all-zero read part gets the finite
// fallback; an interval alone bounds the whole read by interval * n, as the
// other systems do, where Windows would wait for the first byte without end.
COMMTIMEOUTS CommTimeoutsOf(const SerialTimeoutRecord& record) {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = record.read_interval;
  timeouts.ReadTotalTimeoutMultiplier = record.read_multiplier;
  timeouts.ReadTotalTimeoutConstant = record.read_constant;
  if (record.read_multiplier == 0 && record.read_constant == 0) {
    if (record.read_interval == 0) {
      timeouts.ReadTotalTimeoutConstant = kFallbackReadMs;
    } else {
      timeouts.ReadTotalTimeoutMultiplier = record.read_interval;
    }
  }
  timeouts.WriteTotalTimeoutMultiplier = record.write_multiplier;
  timeouts.WriteTotalTimeoutConstant = record.write_constant;
  if (record.write_multiplier == 0 && record.write_constant == 0)
    timeouts.WriteTotalTimeoutConstant = kFallbackWriteMs;
  return timeouts;
}

// Applies the record to the port, then one ReadFile or WriteFile (`call`).
// Fewer bytes than asked with success is the time-out; a device that went
// away fails with errors that map to EIO.
template <typename Call>
SerialResult Transfer(HANDLE handle, const SerialTimeoutRecord& record, Call call) {
  SerialResult result;
  COMMTIMEOUTS timeouts = CommTimeoutsOf(record);
  DWORD moved = 0;
  if (handle == nullptr) {
    result.error = EBADF;
  } else if (!::SetCommTimeouts(handle, &timeouts) || !call(handle, &moved)) {
    result.error = LastError();
    result.hangup = result.error == EIO;
  }
  result.bytes = moved;
  return result;
}

}  // namespace

SerialPort::~SerialPort() {
  Close();
}

int SerialPort::Open(const std::string& path) {
  Close();
  const std::string device = path.rfind("\\\\.\\", 0) == 0 ? path : "\\\\.\\" + path;
  HANDLE handle = ::CreateFileW(Widen(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  handle_ = handle;
  return 0;
}

int SerialPort::Configure(int baud, bool hardware_flow) {
  if (!IsOpen()) return EBADF;
  if (std::find(std::begin(kBauds), std::end(kBauds), baud) == std::end(kBauds)) return EINVAL;
  if (!::SetupComm(handle_, kQueueBytes, kQueueBytes)) return LastError();
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(handle_, &dcb)) return LastError();
  dcb.BaudRate = static_cast<DWORD>(baud);
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fOutxCtsFlow = hardware_flow;
  dcb.fOutxDsrFlow = hardware_flow;
  dcb.fRtsControl = hardware_flow ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  // A line error must not stop every later read until it is cleared.
  dcb.fAbortOnError = FALSE;
  if (!::SetCommState(handle_, &dcb)) return LastError();
  return 0;
}

void SerialPort::Close() {
  if (handle_ != nullptr) {
    ::CloseHandle(handle_);
    handle_ = nullptr;
  }
}

SerialResult SerialPort::Read(std::uint8_t* buffer, std::size_t size) {
  return Transfer(handle_, timeouts_, [&](HANDLE handle, DWORD* got) {
    return ::ReadFile(handle, buffer, static_cast<DWORD>(size), got, nullptr);
  });
}

SerialResult SerialPort::Write(const std::uint8_t* data, std::size_t size) {
  return Transfer(handle_, timeouts_, [&](HANDLE handle, DWORD* sent) {
    return ::WriteFile(handle, data, static_cast<DWORD>(size), sent, nullptr);
  });
}

int SerialPort::Flush(bool input, bool output) {
  if (!IsOpen()) return EBADF;
  if (!input && !output) return 0;
  // No PURGE_*ABORT: on a handle without overlapped I/O no read or write of
  // another thread is under way by the time the purge runs.
  const DWORD queues = (input ? PURGE_RXCLEAR : 0) | (output ? PURGE_TXCLEAR : 0);
  DWORD errors = 0;
  if (!::ClearCommError(handle_, &errors, nullptr) || !::PurgeComm(handle_, queues))
    return LastError();
  return 0;
}

long SerialPort::Available() const {
  DWORD errors = 0;
  COMSTAT status{};
  if (!IsOpen() || !::ClearCommError(handle_, &errors, &status)) return -1;
  return static_cast<long>(status.cbInQue);
}

int SerialPort::SetDtr(bool on) {
  if (!IsOpen()) return EBADF;
  return ::EscapeCommFunction(handle_, on ? SETDTR : CLRDTR) ? 0 : LastError();
}

std::vector<UsbSerialPort> ListUsbSerialPorts(const std::string&) {
  return {};
}

}  // namespace platform
