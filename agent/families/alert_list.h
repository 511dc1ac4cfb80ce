#pragma once
// The alert list: the catalogue tag "Alertes", one item per active alarm.

#include <string>
#include <string_view>

#include "agent/core/agent_context.h"
#include "platform/env.h"

namespace agent {

inline constexpr const char* kAlertsTag = "Alertes";

// The stamp of an item: "dd/mm/yyyy hh:ii", local time of the pass.
std::string FormatAlertStamp(const platform::LocalTime& pass_time);

// Appends one item to "Alertes" (created when absent): the FORMDATA_MultiItems
// separator, the stamp, "|", the description, " > " and the current text. The
// caller holds the catalogue lock.
void AppendAlert(AgentContext& context, std::string_view stamp, std::string_view description,
                 std::string_view current_text);

}  // namespace agent
