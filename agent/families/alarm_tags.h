#pragma once
// The builder of the Alarm service: one "Alarmes_" tag per set threshold.

#include "agent/core/agent_context.h"
#include "agent/families/alarm_slots.h"

namespace agent {

// Writes "Alarmes_" + suffix = description + " -> " + threshold + unit for each
// set threshold, in slot order; a threshold that is not set leaves its tag as
// it was. The caller holds the catalogue lock.
void PublishAlarmTags(AgentContext& context, const AlarmThresholds& thresholds);

}  // namespace agent
