#pragma once
// The start-up sequence and the main loop. The steps are one list, in
// startup_list.cpp: an engine joins the start-up by adding its step there.

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "agent/core/agent_context.h"
#include "agent/catalogue/initial_tags.h"

namespace agent {

// One start of the agent: the context and the worker threads it started.
class StartupRun {
 public:
  explicit StartupRun(AgentContext& context) : context(context) {}
  StartupRun(const StartupRun&) = delete;
  StartupRun& operator=(const StartupRun&) = delete;
  ~StartupRun() { StopAndJoinWorkers(); }

  AgentContext& context;
  // InitialiseTags runs these; --list-tags runs none.
  std::span<const ImageHook> imageHooks;

  // Starts an engine loop on its own thread. The loop must return soon after
  // context.StopRequested() turns true (context.Sleep() returns false then).
  void StartWorker(std::function<void(AgentContext&)> loop);
  // Asks every loop to stop and waits for the threads to end.
  void StopAndJoinWorkers();
  std::size_t WorkerCount() const { return workers_.size(); }
  // False once a loop has ended while no stop was asked for.
  bool WorkersAlive() const { return deadWorkers_.load() == 0; }

 private:
  std::vector<std::thread> workers_;
  std::atomic<int> deadWorkers_{0};
};

using StartupStepFunction = void (*)(StartupRun& run);
struct StartupStep {
  const char* name;
  StartupStepFunction run;
  // Also run by --list-tags: the step only fills the catalogue, with no
  // thread, no file and no network contact.
  bool fillsCatalogueOnly = false;
};

// The start-up steps, in order (startup_list.cpp).
std::span<const StartupStep> StartupSteps();
// The agent's own steps alone (configuration and catalogue), with no engine.
std::span<const StartupStep> CoreStartupSteps();
// The first drawings InitialiseTags triggers (startup_list.cpp).
std::span<const ImageHook> FirstImageHooks();

// The built-in steps of the agent core, for the list.
void LoadConfigurationStep(StartupRun& run);  // tvl_brumalweb.ini, STREAMFILE, USERDATA
void InsertUserDataStep(StartupRun& run);     // USERDATA into the catalogue
void PublishApplicationTagsStep(StartupRun& run);
void ComputeCacheDirectoryStep(StartupRun& run);
void InitialiseTagsStep(StartupRun& run);

// Runs `steps` in order (normally StartupSteps()).
void RunStartup(StartupRun& run, std::span<const StartupStep> steps);
// Runs only the catalogue steps, without image hooks and without journal
// lines, and returns "name = value" lines sorted by name (--list-tags).
std::string ListTagsAfterStartup(AgentContext& context, std::span<const StartupStep> steps);

// What the main loop tells a service manager (systemd): "READY=1" when it
// starts, "WATCHDOG=1" every `watchdogPingMs` while every engine is alive,
// "STOPPING=1" when a stop arrives.
struct ServiceNotifier {
  std::function<void(std::string_view state)> send;  // empty: nothing is sent
  std::int64_t watchdogPingMs = 0;                    // 0: no watchdog
};

// The main thread's idle loop: waits 2000 ms at a time (less when a watchdog
// needs pinging more often) until `waitForStop` reports a stop (or one was
// requested), then stops and joins the workers.
using StopWaiter = std::function<bool(std::int64_t ms)>;
void RunMainLoop(StartupRun& run, const StopWaiter& waitForStop,
                 const ServiceNotifier& notifier = {});

// The program: parses the command line, then starts and runs the agent.
// Returns the process exit code.
int RunProgram(int argc, char** argv);

}  // namespace agent
