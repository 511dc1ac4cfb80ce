#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "agent/app/startup.h"
#include "agent/catalogue/value_catalogue.h"

namespace agent {

void RunStartup(Agent& agent, std::span<const StartupStep> steps) {
  for (const StartupStep& step : steps) step.run(agent);
}

std::string ListTagsAfterStartup(Agent& agent, std::span<const StartupStep> steps) {
  AgentContext& context = agent.context();
  context.MuteJournal();
  agent.SetImageHooks({});
  for (const StartupStep& step : steps)
    if (step.fills_catalogue_only) step.run(agent);
  std::vector<std::pair<std::string, std::string>> tags;
  {
    std::lock_guard<platform::EnvMutex> lock(context.state.catalogue_lock);
    ForEachTag(context.state.catalogue, [&tags](const std::string& name, const std::string& text) {
      tags.emplace_back(name, text);
    });
  }
  std::sort(tags.begin(), tags.end());
  std::string lines;
  for (const auto& [name, text] : tags) lines += name + " = " + text + "\n";
  return lines;
}

bool RunMainLoop(Agent& agent, const StopWaiter& wait_for_stop, const ServiceNotifier& notifier) {
  constexpr std::int64_t kIdleWaitMs = 2000;
  auto send = [&notifier](std::string_view state) {
    if (notifier.send) notifier.send(state);
  };
  const bool watchdog = notifier.watchdog_ping_ms > 0;
  const std::int64_t wait_ms =
      watchdog ? std::min(kIdleWaitMs, notifier.watchdog_ping_ms) : kIdleWaitMs;
  send("READY=1");
  while (!agent.context().StopRequested() && !wait_for_stop(wait_ms)) {
    // A dead engine stops the pings, so the manager restarts the agent.
    if (watchdog && agent.WorkersAlive()) send("WATCHDOG=1");
  }
  send("STOPPING=1");
  return agent.StopWorkersWithin(kStopGraceMs);
}

}  // namespace agent
