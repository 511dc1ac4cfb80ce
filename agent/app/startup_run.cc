#include <algorithm>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "agent/app/startup.h"
#include "agent/catalogue/value_catalogue.h"

namespace agent {

void StartupRun::StartWorker(std::function<void(AgentContext&)> loop) {
  workers_.emplace_back([this, loop = std::move(loop)] {
    // Engines catch their own failures; this is the last guard, so that an
    // escaped exception ends one engine with a journal line, not the process.
    try {
      loop(context);
    } catch (const std::exception& error) {
      LogMessage(context,
                 std::string("[BRUMALWEB] : Arrêt inattendu d'un moteur : ") + error.what());
    } catch (...) {
      LogMessage(context, "[BRUMALWEB] : Arrêt inattendu d'un moteur.");
    }
    if (!context.StopRequested()) ++deadWorkers_;
  });
}

void StartupRun::StopAndJoinWorkers() {
  context.RequestStop();
  for (std::thread& worker : workers_)
    if (worker.joinable()) worker.join();
  workers_.clear();
}

void RunStartup(StartupRun& run, std::span<const StartupStep> steps) {
  for (const StartupStep& step : steps) step.run(run);
}

std::string ListTagsAfterStartup(AgentContext& context, std::span<const StartupStep> steps) {
  context.MuteJournal();
  {
    StartupRun run(context);
    for (const StartupStep& step : steps)
      if (step.fillsCatalogueOnly) step.run(run);
  }
  std::vector<std::pair<std::string, std::string>> tags;
  {
    std::lock_guard<std::recursive_mutex> lock(context.state.catalogueLock);
    ForEachTag(context.state.catalogue, [&tags](const std::string& name, const std::string& text) {
      tags.emplace_back(name, text);
    });
  }
  std::sort(tags.begin(), tags.end());
  std::string lines;
  for (const auto& [name, text] : tags) lines += name + " = " + text + "\n";
  return lines;
}

void RunMainLoop(StartupRun& run, const StopWaiter& waitForStop,
                 const ServiceNotifier& notifier) {
  constexpr std::int64_t kIdleWaitMs = 2000;
  auto send = [&notifier](std::string_view state) {
    if (notifier.send) notifier.send(state);
  };
  const bool watchdog = notifier.watchdogPingMs > 0;
  const std::int64_t waitMs = watchdog ? std::min(kIdleWaitMs, notifier.watchdogPingMs)
                                       : kIdleWaitMs;
  send("READY=1");
  while (!run.context.StopRequested() && !waitForStop(waitMs)) {
    // A dead engine stops the pings, so the manager restarts the agent.
    if (watchdog && run.WorkersAlive()) send("WATCHDOG=1");
  }
  send("STOPPING=1");
  run.StopAndJoinWorkers();
}

}  // namespace agent
