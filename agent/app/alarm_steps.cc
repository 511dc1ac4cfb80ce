#include "agent/app/alarm_steps.h"

#include <mutex>

#include "agent/families/alarm_service.h"

namespace agent {

void InstallAlarmServiceStep(Agent& agent) {
  AgentContext& context = agent.context();
  std::lock_guard<platform::EnvMutex> hold(context.state.catalogue_lock);
  InstallAlarmService(context, agent.services(), agent.snapshot().families,
                      agent.snapshot().alarm_thresholds);
}

void PublishStartupAlertImage(Agent& agent) {
  agent.alarm_watch().PublishQuietImage();
}

void StartAlarmWatchStep(Agent& agent) {
  agent.StartWorker([&agent](AgentContext&) { agent.alarm_watch().Run(); });
}

}  // namespace agent
