#pragma once
// The publication engines' start-up steps, for the agent's start-up list:
// the FTP push thread, then the site synchronisation on the main thread, and
// (after the scheduler, alarm watch and acquisition) the template filling thread.

#include "agent/app/startup.h"

namespace agent::publication {

void StartFtpPushStep(Agent& agent);
void SynchroniseSiteStep(Agent& agent);
void StartTemplateEngineStep(Agent& agent);

}  // namespace agent::publication
