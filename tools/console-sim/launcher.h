#pragma once
// Starts the console-sim program for a test, waits until every link is up,
// and stops it (SIGTERM, then wait) when the launcher is destroyed.
//
//   consolesim::Launcher sim;                        // default options
//   sim.control({{"cmd", "set"}, {"readings", {{"outside_temp", 725}}}});
//   connect to 127.0.0.1:sim.tcpPort() or open sim.ptyPath()
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace consolesim {

class Launcher {
 public:
  // `arguments` are passed to console-sim after --ready-file (pass --start
  // for a fixed console clock, --no-pty to skip the serial link). Throws
  // std::runtime_error when the program cannot start or is not ready before
  // `deadline`.
  explicit Launcher(std::vector<std::string> arguments = {},
                    std::chrono::milliseconds deadline = std::chrono::seconds(10));
  ~Launcher();
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;

  pid_t pid() const { return pid_; }
  int tcpPort() const { return ready_.value("tcp_port", 0); }
  int udpPort() const { return ready_.value("udp_port", 0); }
  int httpPort() const { return ready_.value("http_port", 0); }
  int controlPort() const { return ready_.value("control_port", 0); }
  std::string ptyPath() const { return ready_.value("pty", ""); }
  std::string deviceId() const { return ready_.value("device_id", ""); }
  const nlohmann::json& ready() const { return ready_; }

  // Sends one control command and returns the reply (see README.md).
  // Throws std::runtime_error when the channel fails or the reply is not ok.
  nlohmann::json control(const nlohmann::json& command);

  // Stops the program now (also done by the destructor).
  void stop();

  // The console-sim executable used: $CONSOLE_SIM, else the built one.
  static std::string executable();

 private:
  pid_t pid_ = -1;
  int controlFd_ = -1;
  std::string directory_;
  std::string controlPending_;
  nlohmann::json ready_;
};

}  // namespace consolesim
