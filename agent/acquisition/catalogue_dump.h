#pragma once

#include <string>

#include "agent/core/agent_state.h"
#include "platform/env.h"

namespace agent {

// One line per tag, "name = value" ending with CR LF, in the catalogue's order.
// The caller holds the catalogue lock.
std::string FormatCatalogueDump(const ValueCatalogue& catalogue);

// Replaces the file at `path` with the dump in one rename, so a reader sees the previous dump
// or the new one, never a partial file.
platform::FileStatus WriteCatalogueDump(platform::Env& env, const ValueCatalogue& catalogue,
                                        const std::string& path);

}  // namespace agent
