// The simulator run on the build machine by tests/windows/sim_broker.py, for a
// test under Wine: one connection per simulator, which lives until "stop" or
// the connection's end.
#include <cstdlib>
#include <stdexcept>

#include "tools/console-sim/launcher.h"

namespace consolesim {

Launcher::Launcher(std::vector<std::string> arguments, std::chrono::milliseconds deadline) {
  const char* variable = std::getenv("CONSOLE_SIM_BROKER");
  const int port = variable == nullptr ? 0 : std::atoi(variable);
  if (port <= 0) throw std::runtime_error("console-sim launcher: CONSOLE_SIM_BROKER names no port");
  if (!broker_.Connect(port))
    throw std::runtime_error("console-sim launcher: the broker on port " + std::to_string(port) +
                             " does not answer");
  const nlohmann::json request = {{"arguments", arguments}, {"deadline_ms", deadline.count()}};
  // The broker's own deadline plus time for its reply.
  const std::optional<std::string> reply =
      broker_.SendLine(request.dump()) ? broker_.ReadLine(deadline + std::chrono::seconds(5))
                                       : std::nullopt;
  if (!reply) {
    Stop();
    throw std::runtime_error("console-sim launcher: no answer from the broker");
  }
  ready_ = nlohmann::json::parse(*reply, nullptr, false);
  if (ready_.is_discarded() || ready_.contains("error")) {
    Stop();
    throw std::runtime_error("console-sim launcher: the broker could not start console-sim: " +
                             *reply);
  }
  pid_ = ready_.value("pid", -1);
}

void Launcher::Stop() {
  control_.Close();
  // The broker answers once the simulator has exited and its COM port is free.
  if (broker_.open() && broker_.SendLine("stop")) broker_.ReadLine(std::chrono::seconds(15));
  broker_.Close();
  pid_ = -1;
}

}  // namespace consolesim
