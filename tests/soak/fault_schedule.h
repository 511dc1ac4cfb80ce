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

// The agent collects every kPassS (RefreshServices and CurrentData). The
// station library and the console simulator wait on the soak's clock, but a
// collection holds the catalogue lock while it talks to the station, and the
// agent's scheduler, template engine and alarm watch, waking meanwhile, block
// on that lock: a blocked thread counts as at work, so that part of a pass
// runs in real time, as does each push (the FTP client's waits are real).
// That is about 0.8 s of real time a pass, so passes are kept few (two
// simulated hours take about 20 s, a day about 4 minutes; at the example
// configuration's pace a day would take nearly two hours), and the slow
// services run every kSlowServicesS. Two simulated hours still hold every
// console fault and every web-host fault.
inline constexpr std::int64_t kPassS = 320;
inline constexpr std::int64_t kSlowServicesS = 6 * 3600;
// A fault phase holds at least one pass, a clean phase one pass and the push
// after it, whatever the drift of the passes.
inline constexpr std::int64_t kFaultPhaseS = kPassS + 30;
inline constexpr std::int64_t kCleanPhaseS = kPassS + 60;
inline constexpr std::int64_t kOutageS = 600;      // the stopped server, ten minutes
inline constexpr std::int64_t kFinalCleanS = 600;  // the last ten minutes

// Phases covering `total_s` simulated seconds: a clean start, then rounds in
// which every console fault and every web-host fault occurs once, paired in
// an order drawn from `seed`, and a clean end of at least kFinalCleanS. The
// regression cases come first, in a fixed order.
std::vector<Phase> MakeSchedule(std::uint32_t seed, std::int64_t total_s);

}  // namespace soak
