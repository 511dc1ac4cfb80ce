#include "agent/app/publication_steps.h"

#include <map>
#include <memory>
#include <mutex>

#include "agent/publication/push_engine.h"
#include "agent/publication/site_sync.h"
#include "agent/publication/template_engine.h"

namespace agent::publication {
namespace {

// The push thread and the synchronisation share one marker per agent run.
SyncMarker& MarkerOf(AgentContext& context) {
  static std::mutex mutex;
  static std::map<AgentContext*, std::unique_ptr<SyncMarker>> markers;
  std::lock_guard<std::mutex> lock(mutex);
  auto& marker = markers[&context];
  if (!marker) marker = std::make_unique<SyncMarker>();
  return *marker;
}

}  // namespace

void StartFtpPushStep(StartupRun& run) {
  SyncMarker& marker = MarkerOf(run.context);
  run.StartWorker([&marker](AgentContext& context) {
    RunFtpPush(
        context, [](FtpSettings settings) { return make_ftp_client(std::move(settings)); },
        [&marker, &context](const std::string& path) { marker.OnUploaded(context, path); });
  });
}

void SynchroniseSiteStep(StartupRun& run) { SynchroniseSite(run.context, MarkerOf(run.context)); }

void StartTemplateEngineStep(StartupRun& run) { run.StartWorker(RunTemplateEngine); }

}  // namespace agent::publication
