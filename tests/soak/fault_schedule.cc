#include "tests/soak/fault_schedule.h"

#include <algorithm>
#include <random>

namespace soak {
namespace {

struct ConsoleFaultKind {
  const char* name;
  nlohmann::json command;
};

struct FtpFaultKind {
  const char* name;
  FtpFault fault;
  bool down;
};

nlohmann::json ConsoleFault(const char* name,
                            nlohmann::json parameters = nlohmann::json::object()) {
  parameters["cmd"] = "fault";
  parameters["name"] = name;
  return parameters;
}

// Counts stay small: the station library waits out a fault while holding the
// catalogue lock, and so in real time (see fault_schedule.h).
std::vector<ConsoleFaultKind> ConsoleFaults() {
  return {
      {"console asleep", ConsoleFault("asleep", {{"count", 1}})},
      {"console refuses", ConsoleFault("refuse", {{"count", 1}})},
      {"console wrong byte", ConsoleFault("wrong_byte", {{"count", 1}, {"value", 0x21}})},
      {"console bad CRC", ConsoleFault("corrupt_crc", {{"every", 3}})},
      {"console truncates", ConsoleFault("truncate", {{"count", 1}, {"to", 10}})},
      {"console stalls", ConsoleFault("stall", {{"count", 1}, {"ms", 1500}, {"at", 20}})},
      {"console drops the link", ConsoleFault("drop", {{"after", 30}})},
  };
}

std::vector<FtpFaultKind> FtpFaults() {
  return {
      {"FTP 421 at connect", FtpFault::kRefuseAtConnect, false},
      {"FTP 530 at login", FtpFault::kRefuseLogin, false},
      {"FTP 452 on STOR", FtpFault::kRefuseStore, false},
      {"FTP 426 mid-transfer", FtpFault::kAbortTransfer, false},
      {"FTP silence", FtpFault::kSilence, false},
      {"FTP server stopped", FtpFault::kNone, true},
  };
}

// Faults that once went wrong, by name ("" for none): each pair stays in every
// soak, first, in this order.
constexpr std::pair<const char*, const char*> kRegressionCases[] = {
    // A dropped link failed every later collection: the passes stayed short and
    // the link was never closed and reopened.
    {"console drops the link", ""},
};

template <typename Kind>
const Kind* Named(const std::vector<Kind>& kinds, const char* name) {
  for (const Kind& kind : kinds)
    if (std::string(kind.name) == name) return &kind;
  return nullptr;
}

}  // namespace

std::vector<Phase> MakeSchedule(std::uint32_t seed, std::int64_t total_s) {
  std::vector<Phase> phases;
  std::int64_t at = 0;
  auto add = [&](Phase phase) {
    phase.start_s = at;
    at += phase.length_s;
    phases.push_back(std::move(phase));
  };
  const std::int64_t faults_end = total_s - kFinalCleanS;
  // One fault phase and its clean phase, when they fit before the clean end.
  auto add_pair = [&](const ConsoleFaultKind* console, const FtpFaultKind* ftp) {
    const std::int64_t length = ftp && ftp->down ? kOutageS : kFaultPhaseS;
    if (at + length + kCleanPhaseS > faults_end) return false;
    Phase phase{"", 0, length, nullptr, FtpFault::kNone, false};
    if (console) {
      phase.name = console->name;
      phase.console_fault = console->command;
    }
    if (ftp) {
      phase.name += (phase.name.empty() ? "" : " + ") + std::string(ftp->name);
      phase.ftp_fault = ftp->fault;
      phase.ftp_down = ftp->down;
    }
    add(std::move(phase));
    add(Phase{"clean", 0, kCleanPhaseS, nullptr, FtpFault::kNone, false});
    return true;
  };

  add(Phase{"clean start", 0, kCleanPhaseS, nullptr, FtpFault::kNone, false});
  std::vector<ConsoleFaultKind> consoles = ConsoleFaults();
  std::vector<FtpFaultKind> ftps = FtpFaults();
  for (const auto& [console, ftp] : kRegressionCases)
    add_pair(Named(consoles, console), Named(ftps, ftp));

  std::mt19937 random(seed);
  for (bool placed = true; placed;) {
    std::shuffle(consoles.begin(), consoles.end(), random);
    std::shuffle(ftps.begin(), ftps.end(), random);
    placed = false;
    for (std::size_t i = 0; i < std::max(consoles.size(), ftps.size()); ++i)
      placed = add_pair(i < consoles.size() ? &consoles[i] : nullptr,
                        i < ftps.size() ? &ftps[i] : nullptr) ||
               placed;
  }
  add(Phase{"clean end", 0, total_s - at, nullptr, FtpFault::kNone, false});
  return phases;
}

}  // namespace soak
