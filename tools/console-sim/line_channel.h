#pragma once
// One TCP connection to a port on 127.0.0.1 carrying text lines: the
// simulator's control channel, and on Windows the way to the broker that runs
// the simulator on the build machine. POSIX sockets or Winsock, nothing more.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace consolesim {

class LineChannel {
 public:
  LineChannel() = default;
  ~LineChannel();
  LineChannel(const LineChannel&) = delete;
  LineChannel& operator=(const LineChannel&) = delete;

  bool open() const { return socket_ != kNone; }
  bool Connect(int port);
  bool SendLine(const std::string& line);
  // The next line without its "\n"; nothing when the peer closed, the
  // channel failed or `timeout` passed.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
  void Close();

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t socket_ = kNone;
  std::string pending_;
};

}  // namespace consolesim
