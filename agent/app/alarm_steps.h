#pragma once
// The alarm watch in the agent's start-up: the Alarm service, the quiet alert
// picture drawn by InitialiseTags, and the watch thread.

#include "agent/app/startup.h"

namespace agent {

// After the tag families: the Alarm collection and builder.
void InstallAlarmServiceStep(Agent& agent);
// An image hook of InitialiseTags: the site starts with the quiet picture.
void PublishStartupAlertImage(Agent& agent);
// Between the service scheduler and the acquisition engine: WatchAlarms.
void StartAlarmWatchStep(Agent& agent);

}  // namespace agent
