#pragma once
// Faults a test switches on to see how a client copes. Counts: 0 = off,
// N > 0 = the next N occurrences, -1 = until switched off.
namespace consolesim {

struct Faults {
  int asleep = 0;      // wake-ups left unanswered
  int refuse = 0;      // acknowledgements replaced by 0x15, "OK" by "NO"
  int silent = 0;      // commands left unanswered (wake-ups still answered)
  int wrong_byte = 0;  // acknowledgements replaced by `wrong_byte_value`
  int wrong_byte_value = 0x21;
  int corrupt_every = 0;  // every Nth checksum-carrying reply gets a bad CRC (0 = off)
  int truncate = 0;       // checksum-carrying replies cut to `truncate_to` bytes
  int truncate_to = 10;
  int stall = 0;  // replies held `stall_ms` before byte `stall_at`
  int stall_ms = 0;
  int stall_at = 0;
  int drop_after = -1;      // the link is dropped after this many more bytes (-1 = off)
  int delay_ms = 0;         // added before every answer
  int discovery_noise = 0;  // discovery probes first answered with a short and a long reply
  int baud = 0;             // bytes paced at this rate, 10 bits a byte (0 = as fast as possible)

  int corrupt_counter = 0;  // checksum-carrying replies seen since corrupt_every was set
};

// Takes one occurrence of a counted fault; true when it applies.
inline bool TakeOne(int& count) {
  if (count == 0) return false;
  if (count > 0) --count;
  return true;
}

}  // namespace consolesim
