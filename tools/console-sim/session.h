#pragma once
// One link's conversation with the console: bytes in, answer bytes out.
// The caller holds the simulator lock around feed().
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/console-sim/console.h"
#include "tools/console-sim/faults.h"

namespace consolesim {

struct Chunk {
  std::string bytes;
  int delay_ms = 0;  // wait before sending these bytes
};

struct Output {
  std::vector<Chunk> chunks;
  bool drop = false;  // close the link after the chunks
  int baud = 0;       // pace the chunks at this rate (0 = no pacing)
  bool empty() const { return chunks.empty() && !drop; }
};

// Non-printing bytes as <XX>, for the log of what the links received.
std::string Printable(const std::string& text);

class Session {
 public:
  using Log = std::function<void(const std::string&)>;
  Session(Console& console, Faults& faults, Log log);

  // One received byte; `nowMs` is a monotonic time used to abandon a binary
  // transfer the client gave up on.
  Output Feed(unsigned char byte, std::int64_t now_ms);

  // "LOOP n" and "LPS m n" send their packets one every two seconds of the
  // console clock; any byte received stops the rest. While streaming() the
  // link calls pending() often (under the simulator lock); it answers the
  // next packet once it is due, else nothing.
  bool streaming() const { return packets_left_ > 0; }
  Output pending();

 private:
  enum class PieceKind { kWake, kAck, kOk, kText, kData };
  struct Piece {
    PieceKind kind;
    std::string bytes;
  };
  using Answer = std::vector<Piece>;
  enum class Mode { kCommand, kMemoryData, kTimeData, kCalibrationData, kDumpRequest, kDumping };

  Answer ByteInCommandMode(unsigned char byte);
  Answer BinaryByte(unsigned char byte);
  Answer DumpByte(unsigned char byte);
  Answer Execute(const std::string& line);
  Output shape(Answer answer);
  void Expect(Mode mode, std::size_t bytes);

  Console& console_;
  Faults& faults_;
  Log log_;
  Mode mode_ = Mode::kCommand;
  std::string line_;
  std::string binary_;
  std::size_t expected_ = 0;
  int memory_address_ = 0;
  Console::DumpHeader dump_;
  int dump_next_ = 0;
  std::int64_t last_byte_ms_ = 0;
  int packets_left_ = 0;
  bool second_format_ = false;
  std::int64_t packet_due_ms_ = 0;  // console clock
};

}  // namespace consolesim
