#pragma once
// The alarm watch in the agent's start-up: the Alarm service, the quiet alert
// picture drawn by InitialiseTags, and the watch thread.

#include "agent/families/alarm_slots.h"
#include "agent/families/alarm_watch.h"
#include "agent/app/startup.h"

namespace agent {

// The thresholds and the watch of the running agent (one each per process;
// the watch is made on first use with `context`).
AlarmThresholds& ProcessAlarmThresholds();
AlarmWatch& ProcessAlarmWatch(AgentContext& context);

// After the tag families: the Alarm collection and builder.
void InstallAlarmServiceStep(StartupRun& run);
// An image hook of InitialiseTags: the site starts with the quiet picture.
void PublishStartupAlertImage(AgentContext& context);
// Between the service scheduler and the acquisition engine: WatchAlarms.
void StartAlarmWatchStep(StartupRun& run);

}  // namespace agent
