#pragma once
// The acquisition subsystem of the running agent and its start-up steps: the station library
// (one per process), the service table, and the acquisition engine and service scheduler
// threads.

#include <functional>
#include <memory>

#include "agent/acquisition/acquisition_engine.h"
#include "agent/acquisition/service_scheduler.h"
#include "agent/acquisition/service_table.h"
#include "agent/acquisition/station_library.h"
#include "agent/app/startup.h"

namespace agent {

class AcquisitionSubsystem {
 public:
  explicit AcquisitionSubsystem(AgentContext& context);

  AgentContext& context;
  StationLibrary library;
  // The other tag families set their collections and builders here before the threads start.
  ServiceTable services;
  // Called with each connection state (the connection icon); empty draws nothing.
  std::function<void(int state)> connectionIcon;
};

// The subsystem of the process, made on first use with `context`.
AcquisitionSubsystem& Acquisition(AgentContext& context);

// Start-up step 9: declares the services that the configuration switches on.
void DeclareServicesStep(StartupRun& run);
// Start-up step 13, in their places: the service scheduler and the acquisition engine threads.
void StartServiceSchedulerStep(StartupRun& run);
void StartAcquisitionEngineStep(StartupRun& run);

}  // namespace agent
