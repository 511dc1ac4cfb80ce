#pragma once
// The start-up placeholders of the catalogue.

#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "agent/core/agent_context.h"

namespace agent {

// A first drawing of an image, run by InitialiseTags before any tag is set.
using ImageHook = std::function<void()>;

// The 216 tags that start as "---", each once, in their order of writing.
const std::vector<std::string_view>& InitialPlaceholderTags();

// Runs the image hooks, writes "---" into every placeholder tag, then
// TempProchaineCollecte = "2" and Alertes = "Aucune alerte en cours.", and
// sets the templates-due flag. Runs at start-up before any worker thread.
void InitialiseTags(AgentContext& context, std::span<const ImageHook> image_hooks);

}  // namespace agent
