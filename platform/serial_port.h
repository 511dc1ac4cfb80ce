// A serial device opened with termios (a COM port through the Win32 calls on
// Windows), read and written under deadlines.
//
// Timeouts follow the serial timeout record of the station link: a read of n
// bytes may take read_multiplier * n + read_constant ms in all; when
// read_interval is non-zero the read also ends once that long has passed
// between two bytes. A record whose read fields are all zero gets a finite
// fallback (kFallbackReadMs) so that no read waits without end. No function
// throws; failures carry errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/env.h"

namespace platform {

struct SerialTimeoutRecord {
  std::uint32_t read_interval = 0;
  std::uint32_t read_multiplier = 0;
  std::uint32_t read_constant = 0;
  std::uint32_t write_multiplier = 0;
  std::uint32_t write_constant = 0;
};

inline constexpr std::uint32_t kFallbackReadMs = 2000;
inline constexpr std::uint32_t kFallbackWriteMs = 2000;

// Device path of COM port n: $ORBISKPRO_COM<n> when set, else /dev/ttyS<n-1>
// (\\.\COM<n> on Windows).
std::string SerialDevicePath(int com_port);

// A tty of a USB serial chip and the serial number of its USB device.
struct UsbSerialPort {
  std::string serial;
  std::string path;  // "/dev/ttyUSB0"
};
// The ttys bound to the kernel driver `driver` ("cp210x"), sorted by path.
// None on Windows, where the USB bridge finds its COM ports in SIUSBXP_DEVICES.
std::vector<UsbSerialPort> ListUsbSerialPorts(const std::string& driver);

struct SerialResult {
  std::size_t bytes = 0;  // bytes moved
  int error = 0;          // errno of a failure; 0 for success or plain timeout
  bool hangup = false;    // the other end went away
};

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens the device exclusively; 0 or errno (EBUSY when another program
  // holds it).
  int Open(const std::string& path);
  // Raw 8N1 at `baud`, hardware flow control when asked: 0 or errno.
  int Configure(int baud, bool hardware_flow);
  void Close();
#ifdef _WIN32
  bool IsOpen() const {
    return handle_ != nullptr;
  }
  int fd() const {
    return -1;
  }  // a COM port handle is no descriptor
#else
  bool IsOpen() const {
    return fd_ >= 0;
  }
  int fd() const {
    return fd_;
  }
#endif

  // The clock whose time bounds reads and writes (the real clock by default).
  // On Windows the port's own time-outs bound them and the clock is not used.
  void SetClock(Env& clock) {
    clock_ = &clock;
  }
  void SetTimeouts(const SerialTimeoutRecord& record) {
    timeouts_ = record;
  }
  const SerialTimeoutRecord& Timeouts() const {
    return timeouts_;
  }

  SerialResult Read(std::uint8_t* buffer, std::size_t size);
  SerialResult Write(const std::uint8_t* data, std::size_t size);
  // Discards pending input and/or output: 0 or errno.
  int Flush(bool input = true, bool output = true);
  // Bytes waiting to be read; -1 on failure.
  long Available() const;
  // Sets or clears DTR: 0 or errno (a pseudo-terminal has no modem lines).
  int SetDtr(bool on);

 private:
#ifdef _WIN32
  void* handle_ = nullptr;  // the HANDLE of the open port
#else
  int fd_ = -1;
#endif
  Env* clock_ = &Env::Default();
  SerialTimeoutRecord timeouts_{};
};

// Maps an open failure to the link's codes: -11 no such device, -12 access
// denied or busy, else the errno itself.
int SerialOpenErrorCode(int error);

}  // namespace platform
