#include "agent/app/publication_steps.h"

#include "agent/publication/push_engine.h"
#include "agent/publication/site_sync.h"
#include "agent/publication/template_engine.h"

namespace agent::publication {

// The push thread and the synchronisation share the agent's marker.
void StartFtpPushStep(Agent& agent) {
  SyncMarker& marker = agent.sync_marker();
  agent.StartWorker([&marker](AgentContext& context) {
    RunFtpPush(
        context, [](FtpSettings settings) { return MakeFtpClient(std::move(settings)); },
        [&marker, &context](const std::string& path) { marker.OnUploaded(context, path); });
  });
}

void SynchroniseSiteStep(Agent& agent) {
  SynchroniseSite(agent.context(), agent.sync_marker());
}

void StartTemplateEngineStep(Agent& agent) {
  agent.StartWorker(RunTemplateEngine);
}

}  // namespace agent::publication
