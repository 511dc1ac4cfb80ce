#pragma once
// The start-up sequence and the main loop. The steps are one list, in
// startup_list.cc: an engine joins the start-up by adding its step there.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "agent/app/agent.h"

namespace agent {

using StartupStepFunction = void (*)(Agent& agent);
struct StartupStep {
  const char* name;
  StartupStepFunction run;
  // Also run by --list-tags: the step only fills the catalogue, with no
  // thread, no file and no network contact.
  bool fills_catalogue_only = false;
};

// The start-up steps, in order (startup_list.cc).
std::span<const StartupStep> StartupSteps();
// The agent's own steps alone (configuration and catalogue), with no engine.
std::span<const StartupStep> CoreStartupSteps();
// The first drawings InitialiseTags triggers for `agent` (startup_list.cc).
std::vector<ImageHook> FirstImageHooks(Agent& agent);

// The built-in steps of the agent core, for the list.
void LoadConfigurationStep(Agent& agent);  // tvl_brumalweb.ini, STREAMFILE, USERDATA
void InsertUserDataStep(Agent& agent);     // USERDATA into the catalogue
void PublishApplicationTagsStep(Agent& agent);
void ComputeCacheDirectoryStep(Agent& agent);
void InitialiseTagsStep(Agent& agent);

// Runs `steps` in order (normally StartupSteps()).
void RunStartup(Agent& agent, std::span<const StartupStep> steps);
// Runs only the catalogue steps, without image hooks and without journal
// lines, and returns "name = value" lines sorted by name (--list-tags).
std::string ListTagsAfterStartup(Agent& agent, std::span<const StartupStep> steps);

// What the main loop tells a service manager (systemd): "READY=1" when it
// starts, "WATCHDOG=1" every `watchdog_ping_ms` while every engine is alive,
// "STOPPING=1" when a stop arrives.
struct ServiceNotifier {
  std::function<void(std::string_view state)> send;  // empty: nothing is sent
  std::int64_t watchdog_ping_ms = 0;                 // 0: no watchdog
};

// How long a stop waits for the engine threads: every wait of theirs wakes on
// the stop, save a call into the station library, which cannot be cut short.
inline constexpr std::int64_t kStopGraceMs = 1000;

// The main thread's idle loop: waits 2000 ms at a time (less when a watchdog
// needs pinging more often) until `wait_for_stop` reports a stop (or one was
// requested), then stops the workers, giving them kStopGraceMs. True when they
// all ended; false when one is still inside the station library (see
// Agent::StopWorkersWithin).
using StopWaiter = std::function<bool(std::int64_t ms)>;
bool RunMainLoop(Agent& agent, const StopWaiter& wait_for_stop,
                 const ServiceNotifier& notifier = {});

// The program: parses the command line, then starts and runs the agent.
// Returns the process exit code.
int RunProgram(int argc, char** argv);

}  // namespace agent
