// A TCP proxy on 127.0.0.1 between the agent and a real FTP server, in the
// manner of the scripted server of the FTP tests but over a real server: it
// relays the control connection and the passive data connections (rewriting
// the 227/229 replies to its own data port) and, when armed, spoils one
// control connection in one of the ways a web host fails. It can also play a
// stopped server: its port then refuses connections.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net.h"

namespace soak {

enum class FtpFault {
  kNone,
  kRefuseAtConnect,  // "421" instead of the greeting, then closed
  kRefuseLogin,      // "530" to PASS
  kRefuseStore,      // "452" to the first STOR
  kAbortTransfer,    // the first upload cut after a few bytes, "426" for it
  kSilence,          // nothing more from the server: the client's time-out ends it
};
const char* FtpFaultName(FtpFault fault);

// One control connection as the proxy saw it.
struct ProxySession {
  FtpFault fault = FtpFault::kNone;
  std::vector<std::string> stored;  // remote names the server confirmed (226/250)
  bool failed_store = false;        // a STOR that ended in an error reply
};

class FtpFaultProxy {
 public:
  explicit FtpFaultProxy(std::uint16_t upstream_port);
  ~FtpFaultProxy();
  FtpFaultProxy(const FtpFaultProxy&) = delete;
  FtpFaultProxy& operator=(const FtpFaultProxy&) = delete;

  bool running() const { return port_ != 0; }
  std::uint16_t port() const { return port_; }

  // The next control connection gets `fault`.
  void Arm(FtpFault fault);
  // While down, the port refuses connections (the listener is closed).
  void SetDown(bool down);
  // Control connections so far.
  std::size_t SessionCount();
  // The control connections from the `number`-th on (0 is the first), in order of arrival.
  // Those before are forgotten: a soak of a day makes thousands.
  std::vector<ProxySession> SessionsFrom(std::size_t number);

 private:
  void Serve();
  void Relay(platform::net::Socket client, std::size_t number);

  const std::uint16_t upstream_port_;
  std::uint16_t port_ = 0;
  platform::net::Socket listener_;  // serving thread only
  std::atomic<bool> stopping_{false};
  std::atomic<bool> down_{false};
  std::mutex mutex_;
  FtpFault armed_ = FtpFault::kNone;
  std::deque<ProxySession> sessions_;
  std::size_t first_kept_ = 0;  // the number of sessions_.front()
  std::thread thread_;
};

}  // namespace soak
