// The fixed timeout rows of the links and the serial timeout record.
#pragma once

#include <cstdint>

namespace orbisk::link {

// The five fields of a serial timeout record, in milliseconds: the longest
// gap between two bytes (0: none), the read time per byte and its constant,
// the write time per byte and its constant.
struct SerialTimeouts {
  std::uint32_t read_interval = 0;
  std::uint32_t read_multiplier = 0;
  std::uint32_t read_constant = 0;
  std::uint32_t write_multiplier = 0;
  std::uint32_t write_constant = 0;
};

struct LinkTimeoutRow {
  SerialTimeouts serial;
  std::uint32_t tcp_receive_ms;
  std::uint32_t usb_read_ms;
  std::uint32_t usb_write_ms;
};

inline constexpr int kTimeoutRowCount = 11;
// Row 0..10. Serial rows 8-10 read with the same wait as the other links so
// that no serial read waits without end.
const LinkTimeoutRow& TimeoutRow(int row);

// The long wait applied while the console works on a command ("DONE").
inline constexpr SerialTimeouts kLongWaitRecord{0, 250, 30000, 25, 100};
// The timeouts a freshly opened serial link gets (row 7).
inline constexpr int kInitialSerialRow = 7;
// Row used by polls and receive-side clears.
inline constexpr int kPollRow = 5;

}  // namespace orbisk::link
