#include "agent/app/acquisition_steps.h"

#include <mutex>

#include "agent/acquisition/acquisition_engine.h"
#include "agent/acquisition/carried_libraries.h"
#include "agent/acquisition/service_scheduler.h"

namespace agent {

void DeclareServicesStep(Agent& agent) {
  AgentContext& context = agent.context();
  std::lock_guard<std::recursive_mutex> hold(context.state.catalogueLock);
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
    hooks.libraryPlaces = {context.paths().workingDirectory, context.paths().programDirectory};
    hooks.deployLibraries = [&context] {
      DeployLibraries(CarriedLibraries(), context.paths().workingDirectory);
    };
    hooks.connectionIcon = [&agent](int state) { agent.ShowConnection(state); };
    AcquisitionEngine engine(context, agent.library(), agent.services(),
                             agent.snapshot().station_time, hooks);
    engine.Run();
  });
}

}  // namespace agent
