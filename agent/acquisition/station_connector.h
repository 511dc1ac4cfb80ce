#pragma once
// Opening a console link and initialising the station under a time-out.

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "agent/acquisition/station_library.h"
#include "platform/env.h"

namespace agent {

// Link type codes of the console settings.
enum LinkType : int { kLinkSerial = 0, kLinkTcpIp = 1, kLinkUsb = 2 };

// The agent's own code for an initialisation that did not finish in time.
inline constexpr std::int16_t kInitialisationTimeout = kOrbiskInitialisationTimeout;

class StationConnector {
 public:
  // `open_library` opens the station library when needed (its result is not used here).
  // Once `stop` (may be null) is set, the waits for the initialisation and the close give up at
  // once: the library's calls go on to their own end on their threads.
  // Its waits and threads go through `env`.
  StationConnector(platform::Env& env, StationLibrary& library, std::function<int()> open_library,
                   const platform::StopFlag* stop = nullptr);
  // Waits for an initialisation or a close that is still running: they end on their own,
  // since every read of a link has a finite time-out.
  ~StationConnector();
  StationConnector(const StationConnector&) = delete;
  StationConnector& operator=(const StationConnector&) = delete;

  // Opens the link given by `link_type` and `address`, then initialises the station on a
  // thread of its own, waiting at most `timeout_ms`. Returns 1 on success; the open's code when
  // the open fails; kInitialisationTimeout when the initialisation overran (the link is closed once
  // it returns); the initialisation's own code when it failed in time (the link is closed).
  std::int16_t ConnectStation(int link_type, const std::string& address, std::int64_t timeout_ms);

  // Closes the link of `link_type` at once on the calling thread.
  std::int16_t CloseLink(int link_type);

 private:
  std::int16_t OpenLink(int link_type, const std::string& address);

  platform::Env& env_;
  StationLibrary& library_;
  std::function<int()> open_library_;
  const platform::StopFlag* stop_;
  // An initialisation and the close that follows it, still running after their wait.
  std::thread pending_;
};

}  // namespace agent
