#include "agent/app/acquisition_steps.h"

#include <mutex>

#include "agent/acquisition/acquisition_engine.h"
#include "agent/acquisition/carried_libraries.h"
#include "agent/acquisition/service_scheduler.h"

namespace agent {

void DeclareServicesStep(Agent& agent) {
  AgentContext& context = agent.context();
  std::lock_guard<platform::EnvMutex> hold(context.state.catalogue_lock);
  agent.services().Declare(kServiceList, [&context](std::string_view name) {
    return context.HasSetting("SERVICES", name);
  });
}

void StartServiceSchedulerStep(Agent& agent) {
  agent.StartWorker([&agent](AgentContext& context) {
    ServiceScheduler scheduler(context, agent.services(), agent.snapshot().station_time);
    scheduler.Run();
  });
}

void StartAcquisitionEngineStep(Agent& agent) {
  agent.StartWorker([&agent](AgentContext& context) {
    AcquisitionHooks hooks;
    hooks.library_places = {context.paths().working_directory, context.paths().program_directory};
    hooks.deploy_libraries = [&context] {
      const std::string& directory = context.paths().working_directory;
      context.NoteWrite(
          WrittenFile::kLibrary, DeployLibraries(context.env(), CarriedLibraries(), directory),
          "[MoteurRecupDonnees] : Ecriture impossible des bibliothèques dans " + directory,
          "[MoteurRecupDonnees] : Bibliothèques de nouveau écrites dans " + directory);
    };
    hooks.connection_icon = [&agent](int state) { agent.ShowConnection(state); };
    AcquisitionEngine engine(context, agent.library(), agent.services(),
                             agent.snapshot().station_time, hooks);
    engine.Run();
  });
}

}  // namespace agent
