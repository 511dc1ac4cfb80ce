// What starting the simulator here or through the broker shares.
#include "tools/console-sim/launcher.h"

#include <stdexcept>

namespace consolesim {

Launcher::~Launcher() {
  Stop();
}

nlohmann::json Launcher::Control(const nlohmann::json& command) {
  if (!control_.open() && !control_.Connect(ControlPort()))
    throw std::runtime_error("console-sim control channel unreachable");
  if (!control_.SendLine(command.dump()))
    throw std::runtime_error("console-sim control channel: send failed");
  const std::optional<std::string> line = control_.ReadLine(std::chrono::seconds(10));
  if (!line) throw std::runtime_error("console-sim control channel: no reply");
  const nlohmann::json reply = nlohmann::json::parse(*line);
  if (!reply.value("ok", false))
    throw std::runtime_error("console-sim refused " + command.dump() + ": " + reply.dump());
  return reply;
}

}  // namespace consolesim
