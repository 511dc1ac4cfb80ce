// The soak's seeded fault schedule: phases of simulated time, each either
// fault-free or with a fault of the console and one of the web host switched
// on together, each fault phase followed by a fault-free one.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/soak/ftp_fault_proxy.h"

namespace soak {

struct Phase {
  std::string name;
  std::int64_t start_s = 0;  // simulated seconds from the start of the soak
  std::int64_t length_s = 0;
  nlohmann::json console_fault;          // a console-sim "fault" command; null: none
  FtpFault ftp_fault = FtpFault::kNone;  // for the next push, asked for at once
  bool ftp_down = false;                 // the FTP server stopped for the whole phase
  bool Clean() const {
    return console_fault.is_null() && ftp_fault == FtpFault::kNone && !ftp_down;
  }
};

// The agent runs the example configuration's schedule: automatic pacing (a
// pass every few seconds), CurrentData and Alarm every 10 s, HiLow every
// minute, ConfigStation every ten minutes, Calibration every hour. Its engines,
// the station library and the console simulator all wait on the soak's clock
// (sleeps, descriptor waits, the locks, the station's initialisation); the
// pushes to the FTP server take real time, so a simulated day takes minutes.
// A phase lasts at least kPhaseS: a fault meets many collections, the clean
// phase after it a collection and the push after it, whatever the drift of the
// passes, and two simulated hours still hold every console fault and every
// web-host fault.
inline constexpr std::int64_t kPhaseS = 320;
inline constexpr std::int64_t kFaultPhaseS = kPhaseS + 30;
inline constexpr std::int64_t kCleanPhaseS = kPhaseS + 60;
inline constexpr std::int64_t kOutageS = 600;      // the stopped server, ten minutes
inline constexpr std::int64_t kFinalCleanS = 600;  // the last ten minutes

// Phases covering `total_s` simulated seconds: a clean start, then rounds in
// which every console fault and every web-host fault occurs once, paired in
// an order drawn from `seed`, and a clean end of at least kFinalCleanS. The
// regression cases come first, in a fixed order.
std::vector<Phase> MakeSchedule(std::uint32_t seed, std::int64_t total_s);

}  // namespace soak
