#pragma once
// The high/low family: 39 quantities, each with its day, month and year high
// and low, the day ones with their times.

#include "agent/acquisition/station_library.h"
#include "agent/core/agent_context.h"
#include "agent/families/family_slots.h"

namespace agent {

// 1 when the highs and lows were loaded and read; 0 (nothing changes) otherwise.
int AcquireHighsLows(StationLibrary& library, FamilySlots& slots);

// Writes the HiLow_ tags; the caller holds the catalogue lock. The 21 slots the
// console is never asked for are not published: their tags keep "---".
void PublishHighsLows(AgentContext& context, const FamilySlots& slots);

}  // namespace agent
