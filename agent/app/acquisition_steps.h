#pragma once
// The acquisition steps of the agent's start-up: the services the
// configuration switches on, and the service scheduler and acquisition engine
// threads.

#include "agent/app/startup.h"

namespace agent {

// Start-up step 9: declares the services that the configuration switches on.
void DeclareServicesStep(Agent& agent);
// Start-up step 13, in their places: the service scheduler and the acquisition engine threads.
void StartServiceSchedulerStep(Agent& agent);
void StartAcquisitionEngineStep(Agent& agent);

}  // namespace agent
