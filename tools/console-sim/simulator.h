#pragma once
// The simulator's shared state: one console model and one fault set, guarded
// by one mutex, shared by every link. Control commands (JSON objects, from
// the control channel or a state file) act on it.
#include <deque>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/console-sim/console.h"
#include "tools/console-sim/faults.h"
#include "tools/console-sim/session.h"

namespace consolesim {

class Simulator {
 public:
  Simulator(const ConsoleClock& clock, ConsoleOptions options, bool verbose);

  // Runs one control command; the reply has "ok": true or an "error" text.
  nlohmann::json Control(const nlohmann::json& command);

  // A session for a new link; its feed() must be called through feed() below.
  std::unique_ptr<Session> OpenSession(const std::string& link_name);
  Output Feed(Session& session, unsigned char byte, std::int64_t now_ms);
  Output pending(Session& session);  // see Session::pending

  // Logs a datagram received on the discovery port; true when a discovery
  // probe is to be answered with the noise of the discovery_noise fault first.
  bool Datagram(const std::string& bytes, bool probe);

  // Serialised access for the web service and the tests.
  template <typename F>
  auto WithConsole(F&& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    console_.Update();
    return f(console_);
  }

  // The account the web data service accepts.
  bool AccountMatches(const std::string& user, const std::string& password);

 private:
  void log(const std::string& link, const std::string& text);
  nlohmann::json Run(const nlohmann::json& command);

  std::mutex mutex_;
  Console console_;
  Faults faults_;
  bool verbose_;
  std::deque<std::string> received_;  // what the links received, newest last
  std::string web_user_ = "demo";
  std::string web_password_ = "demo";
};

}  // namespace consolesim
