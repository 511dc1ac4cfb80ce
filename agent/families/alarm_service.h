#pragma once
// The Alarm row of the service table: its collection and its builder.

#include "agent/acquisition/service_table.h"
#include "agent/core/agent_context.h"
#include "agent/families/alarm_slots.h"
#include "agent/families/family_slots.h"

namespace agent {

// `context`, `families` and `thresholds` must outlive the table's use.
void InstallAlarmService(AgentContext& context, ServiceTable& services, const FamilySlots& families,
                         AlarmThresholds& thresholds);

}  // namespace agent
