#pragma once
// Faults a test switches on to see how a client copes. Counts: 0 = off,
// N > 0 = the next N occurrences, -1 = until switched off.
namespace consolesim {

struct Faults {
  int asleep = 0;          // wake-ups left unanswered
  int refuse = 0;          // acknowledgements replaced by 0x15
  int wrongByte = 0;       // acknowledgements replaced by `wrongByteValue`
  int wrongByteValue = 0x21;
  int corruptEvery = 0;    // every Nth checksum-carrying reply gets a bad CRC (0 = off)
  int truncate = 0;        // checksum-carrying replies cut to `truncateTo` bytes
  int truncateTo = 10;
  int stall = 0;           // replies held `stallMs` before byte `stallAt`
  int stallMs = 0;
  int stallAt = 0;
  int dropAfter = -1;      // the link is dropped after this many more bytes (-1 = off)
  int delayMs = 0;         // added before every answer
  int baud = 0;            // bytes paced at this rate, 10 bits a byte (0 = as fast as possible)

  int corruptCounter = 0;  // checksum-carrying replies seen since corruptEvery was set
};

// Takes one occurrence of a counted fault; true when it applies.
inline bool takeOne(int& count) {
  if (count == 0) return false;
  if (count > 0) --count;
  return true;
}

}  // namespace consolesim
