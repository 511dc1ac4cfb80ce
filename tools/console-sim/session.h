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
  int delayMs = 0;  // wait before sending these bytes
};

struct Output {
  std::vector<Chunk> chunks;
  bool drop = false;  // close the link after the chunks
  int baud = 0;       // pace the chunks at this rate (0 = no pacing)
  bool empty() const { return chunks.empty() && !drop; }
};

class Session {
 public:
  using Log = std::function<void(const std::string&)>;
  Session(Console& console, Faults& faults, Log log);

  // One received byte; `nowMs` is a monotonic time used to abandon a binary
  // transfer the client gave up on.
  Output feed(unsigned char byte, std::int64_t nowMs);

  // "LOOP n" and "LPS m n" send their packets one every two seconds of the
  // console clock; any byte received stops the rest. While streaming() the
  // link calls pending() often (under the simulator lock); it answers the
  // next packet once it is due, else nothing.
  bool streaming() const { return packetsLeft_ > 0; }
  Output pending();

 private:
  enum class PieceKind { Wake, Ack, Text, Data };
  struct Piece {
    PieceKind kind;
    std::string bytes;
  };
  using Answer = std::vector<Piece>;
  enum class Mode { Command, MemoryData, TimeData, CalibrationData, DumpRequest, Dumping };

  Answer byteInCommandMode(unsigned char byte);
  Answer binaryByte(unsigned char byte);
  Answer dumpByte(unsigned char byte);
  Answer execute(const std::string& line);
  Output shape(Answer answer);
  void expect(Mode mode, std::size_t bytes);

  Console& console_;
  Faults& faults_;
  Log log_;
  Mode mode_ = Mode::Command;
  std::string line_;
  std::string binary_;
  std::size_t expected_ = 0;
  int memoryAddress_ = 0;
  Console::DumpHeader dump_;
  int dumpNext_ = 0;
  std::int64_t lastByteMs_ = 0;
  int packetsLeft_ = 0;
  bool secondFormat_ = false;
  std::int64_t packetDueMs_ = 0;  // console clock
};

}  // namespace consolesim
