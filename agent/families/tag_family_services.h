#pragma once
// Fills the Calibration, CurrentData, HiLow and ConfigStation rows of the service table
// with their collections and builders over one set of slots.

#include "agent/acquisition/service_table.h"
#include "agent/core/agent_context.h"
#include "agent/families/current_data.h"
#include "agent/families/family_slots.h"

namespace agent {

// `slots` and `context` must outlive the table's use; the images are copied.
void InstallTagFamilies(AgentContext& context, ServiceTable& services, FamilySlots& slots,
                        CurrentDataImages images);

}  // namespace agent
