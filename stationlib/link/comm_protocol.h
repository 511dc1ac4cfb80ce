// CommProtocol: the byte-oriented interface every link offers the command
// exchange, and the settings record that the open functions build.
#pragma once

#include <cstdint>
#include <string>

#include "stationlib/link/timeouts.h"

namespace orbisk::link {

enum class LinkKind : std::int16_t { kNone = 0, kSerial = 1, kUsb = 2, kTcp = 3 };

// Status word bits.
enum StatusBits : std::uint32_t {
  kStatusOpen = 0x3,          // bits 0-1 both set
  kStatusPulseOnClose = 0x8,  // pulse the line on close; redirects rows 0 and 8
  kStatusIoFailure = 0x10,
  kStatusTimeout = 0x20,
  kStatusDeviceError = 0x40,
  kStatusOpenFailure = 0x80,
  kStatusPortNotFound = 0x100,
  kStatusSocketClass = 0x200,
  kStatusClassMask = 0x3F0,
};

inline constexpr std::int32_t kKeepAliveReload = 60;

class CommProtocol {
 public:
  CommProtocol() = default;
  CommProtocol(const CommProtocol&) = default;  // the settings record is copied into a transport
  CommProtocol& operator=(const CommProtocol&) = default;
  virtual ~CommProtocol() = default;

  virtual int LastError() const { return -1; }
  // 1 when open, 0 on failure.
  virtual int Open() { return -1; }
  virtual int Close() { return -1; }
  virtual void ResetLine() {}
  // 0..255, or -1 on failure or timeout.
  virtual int ReadByte() { return -1; }
  virtual void SaveTimeouts() {}
  virtual void RestoreTimeouts() {}
  virtual void SelectTimeout(int /*row*/) {}
  virtual int Purge() { return -1; }
  // 1 when a byte came (kept as the pushed-back byte), 0 when none, -1 on error.
  virtual int PollByte() { return -1; }
  virtual int WriteByte(std::uint8_t /*byte*/) { return -1; }
  virtual int WriteText(const char* /*text*/) { return -1; }
  virtual void Reserved(int /*a*/, int /*b*/) {}
  virtual int ReadBlock(std::uint8_t* /*buffer*/, int /*count*/) { return -1; }
  // Applies a serial timeout record; links other than serial map its read
  // constant onto their own read wait.
  virtual void ApplySerialRecord(const SerialTimeouts& /*record*/) {}

  bool IsOpen() const { return (status & kStatusOpen) == kStatusOpen; }

  // Settings and state, in record order.
  void* handle = nullptr;
  std::int16_t port = 0;
  std::uint16_t baud = 19200;
  std::int16_t handshake_a = 0;
  LinkKind kind = LinkKind::kNone;
  std::int16_t open_marker = 0;  // 60 after every open function
  std::uint8_t spare1 = 0;
  std::int16_t handshake_b = 0;
  std::string text1, text2, text3;  // 80, 80 and 64 characters; unused
  std::uint8_t spare2 = 0;
  std::uint32_t status = 0;
  std::int16_t usb_read_status = 0;
  std::int32_t keep_alive = kKeepAliveReload;
  std::int32_t keep_alive_reload = kKeepAliveReload;
  std::int16_t pushed_back = -1;
  std::int32_t usb_serial_wanted = 1;

 protected:
  void SetClass(std::uint32_t cls) { status = (status & ~kStatusClassMask) | cls; }
  void ReloadKeepAlive() { keep_alive = keep_alive_reload; }
  // The pushed-back byte, cleared, or -1 when there is none.
  int TakePushedBack() {
    int b = pushed_back;
    pushed_back = -1;
    return b;
  }
  // One byte straight from the link (the pushed-back byte aside), or -1.
  virtual int ReceiveOne() { return -1; }
  // PollByte over ReceiveOne, the same on every link.
  int PollUsingReceiveOne();
  // Row after the pulse-option redirection; -1 when the row is ignored.
  int EffectiveRow(int row) const;
};

}  // namespace orbisk::link
