#pragma once
// Starts the console-sim program for a test, waits until every link is up,
// and stops it (SIGTERM, then wait) when the launcher is destroyed.
//
//   consolesim::Launcher sim;                        // default options
//   sim.Control({{"cmd", "set"}, {"readings", {{"outside_temp", 725}}}});
//   connect to 127.0.0.1:sim.TcpPort() or open sim.PtyPath()
//
// A Windows test under Wine asks tests/windows/sim_broker.py, on the build
// machine, to run the simulator ($CONSOLE_SIM_BROKER names its port); the
// pseudo-terminal then appears as a COM port (PtyPath() is "\\.\COM<n>").
#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/console-sim/line_channel.h"

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

  int pid() const { return pid_; }
  int TcpPort() const { return ready_.value("tcp_port", 0); }
  int UdpPort() const { return ready_.value("udp_port", 0); }
  int HttpPort() const { return ready_.value("http_port", 0); }
  int ControlPort() const { return ready_.value("control_port", 0); }
  std::string PtyPath() const { return ready_.value("pty", ""); }
  std::string DeviceId() const { return ready_.value("device_id", ""); }
  const nlohmann::json& ready() const { return ready_; }

  // Sends one control command and returns the reply (see README.md).
  // Throws std::runtime_error when the channel fails or the reply is not ok.
  nlohmann::json Control(const nlohmann::json& command);

  // Stops the program now (also done by the destructor).
  void Stop();

 private:
  int pid_ = -1;
  LineChannel control_;
#ifdef _WIN32
  LineChannel broker_;  // the simulator runs while this connection is open
#else
  std::string directory_;
#endif
  nlohmann::json ready_;
};

}  // namespace consolesim
