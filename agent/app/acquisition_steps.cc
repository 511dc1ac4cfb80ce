#include "agent/app/acquisition_steps.h"

#include "agent/acquisition/carried_libraries.h"

namespace agent {

AcquisitionSubsystem::AcquisitionSubsystem(AgentContext& context)
    : context(context),
      library([&context](const std::string& line) { LogMessage(context, line); }) {}

AcquisitionSubsystem& Acquisition(AgentContext& context) {
  static AcquisitionSubsystem subsystem(context);
  return subsystem;
}

void DeclareServicesStep(StartupRun& run) {
  AgentContext& context = run.context;
  AcquisitionSubsystem& acquisition = Acquisition(context);
  std::lock_guard<std::recursive_mutex> hold(context.state.catalogueLock);
  acquisition.services.Declare(kServiceList, [&context](std::string_view name) {
    return context.HasSetting("SERVICES", name);
  });
}

void StartServiceSchedulerStep(StartupRun& run) {
  run.StartWorker([](AgentContext& context) {
    ServiceScheduler scheduler(context, Acquisition(context).services);
    scheduler.Run();
  });
}

void StartAcquisitionEngineStep(StartupRun& run) {
  run.StartWorker([](AgentContext& context) {
    AcquisitionSubsystem& acquisition = Acquisition(context);
    AcquisitionHooks hooks;
    hooks.libraryPlaces = {context.paths().workingDirectory, context.paths().programDirectory};
    hooks.deployLibraries = [&context] {
      DeployLibraries(CarriedLibraries(), context.paths().workingDirectory);
    };
    hooks.connectionIcon = [&acquisition](int state) {
      if (acquisition.connectionIcon) acquisition.connectionIcon(state);
    };
    AcquisitionEngine engine(context, acquisition.library, acquisition.services, hooks);
    engine.Run();
  });
}

}  // namespace agent
