#pragma once
// The station configuration family: battery, reception, firmware, position,
// sensor hardware, archive settings, time zone and transmitters.

#include "agent/acquisition/station_library.h"
#include "agent/core/agent_context.h"
#include "agent/families/family_slots.h"

namespace agent {

// 1 when the time-zone, reception, firmware-date and position reads all
// succeeded, else 0 (the other reads still run). Journals the console battery
// voltage rounded to a whole number.
int AcquireStationConfiguration(AgentContext& context, StationLibrary& library, FamilySlots& slots);

// Writes the 35 configuration tags, every one on every run; the caller holds
// the catalogue lock.
void PublishStationConfiguration(AgentContext& context, const FamilySlots& slots);

}  // namespace agent
