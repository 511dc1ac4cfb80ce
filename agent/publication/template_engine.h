#pragma once
// The template filling engine: whenever the templates are due, fills every
// template of the STREAMFILE section and asks for a push.

#include "agent/core/agent_context.h"

namespace agent::publication {

// One look at the templates-due flag: when it is set, fills every template in
// the stream-file table's order, then clears it and sets the push-due flag.
void RunTemplatePass(AgentContext& context);

// The engine's thread body: a pass, then 1000 ms, until a stop is asked.
void RunTemplateEngine(AgentContext& context);

}  // namespace agent::publication
