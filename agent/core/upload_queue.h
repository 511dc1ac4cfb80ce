#pragma once
// The upload queue: queue key -> full local path of a file to upload. The key
// is derived from the path, so queueing the same file again replaces its entry.
// Every producer derives it with QueueKey, so one file never has two entries.

#include <string>
#include <string_view>

#include "agent/core/agent_context.h"

namespace agent::publication {

// The path with every "\", ":" and "/" replaced by "_".
std::string QueueKey(std::string_view local_path);

// Sets the entry of `local_path` under the queue lock; returns its key.
std::string EnterUploadQueue(AgentState& state, const std::string& local_path);

// Enters one file with its "[AjoutPoolFtp]" journal line. Does not check that
// the file exists (the push engine drops entries whose file has gone).
bool QueueUpload(AgentContext& context, const std::string& local_path);

}  // namespace agent::publication
