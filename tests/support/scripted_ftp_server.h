// A small FTP server of our own, in-process, that misbehaves on request: any
// reply replaced (multi-line ones included), a reply followed by closing the
// connection or by silence, a wrong PASV address, a transfer broken part-way.
// Without a script it behaves like a minimal sound server, storing uploads in
// memory. Serves one control connection at a time on 127.0.0.1.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net.h"

namespace test_support {

struct ScriptedReply {
  enum class Then { kCarryOn, kCloseConnection, kFallSilent };
  // Sent as it is, followed by CR LF; may hold several "\r\n"-separated lines.
  // An empty text sends nothing.
  std::string text;
  Then then = Then::kCarryOn;
};

struct ScriptedFtpOptions {
  ScriptedReply greeting{"220 Scripted server ready", ScriptedReply::Then::kCarryOn};
  // Replaces the sound reply to a command, by verb ("PASS", "STOR", "EPSV"...).
  std::map<std::string, ScriptedReply> replies;
  // Address written in the 227 reply; a client must use the control peer's.
  std::string pasv_address = "127.0.0.1";
  // Drop the data connection after this many bytes and answer 426.
  std::size_t break_transfer_after = static_cast<std::size_t>(-1);
  // Accept the data connection but never read from it.
  bool stall_data = false;
  // Take the whole file, then never answer again (no 226).
  bool silent_after_data = false;
};

class ScriptedFtpServer {
 public:
  explicit ScriptedFtpServer(ScriptedFtpOptions options = {});
  ~ScriptedFtpServer();
  ScriptedFtpServer(const ScriptedFtpServer&) = delete;
  ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

  bool running() const { return listener_.valid(); }
  std::uint16_t port() const { return port_; }

  // Command lines received, in order ("USER meteo", "PASS x"...).
  std::vector<std::string> commands() const;
  bool received(const std::string& verb) const;
  // Files stored by STOR, by remote name.
  std::map<std::string, std::string> files() const;

 private:
  void Serve();
  void ServeConnection(platform::net::Socket control);

  ScriptedFtpOptions options_;
  platform::net::Socket listener_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> commands_;
  std::map<std::string, std::string> files_;
  std::thread thread_;
};

}  // namespace test_support
