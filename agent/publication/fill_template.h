#pragma once
// Filling one template file into the cache directory and queueing the result.

#include <string>

#include "agent/core/agent_context.h"
#include "agent/publication/tag_substitution.h"

namespace agent::publication {

// The catalogue as the substitution of one pass sees it: its tags in table
// order, the request separator (FORMDATA_SeparatorRQT) and the journal line of
// each request block, which FillTemplate writes once the template is filled.
// REQUIRES: the catalogue lock is held while it is used.
TagSubstitution CatalogueSubstitution(AgentContext& context);

// The cache directory, "/", and the file-name part of the template path.
std::string TemplateOutputPath(const AgentContext& context, const std::string& template_path);

// Fills `template_path` into its output path (written to a temporary name and
// renamed over it, so a reader or the push never sees it partial) and enters
// the output in the upload queue. A missing template, or a directory, is
// skipped silently; a template that is its own output path is skipped with a
// journal line and left intact.
// REQUIRES: the publication lock and the catalogue lock are held.
void FillTemplate(AgentContext& context, const std::string& template_path,
                  TagSubstitution& substitution);

}  // namespace agent::publication
