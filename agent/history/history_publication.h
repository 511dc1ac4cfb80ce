#pragma once
// The history after each Archive collection: its tags into the catalogue, its charts into
// the cache directory and the upload queue.

#include <string>
#include <utility>
#include <vector>

#include "agent/core/agent_context.h"
#include "agent/history/archive_store.h"
#include "agent/history/history_charts.h"
#include "agent/history/history_record.h"

namespace agent {

struct HistoryOutput {
  std::vector<std::pair<std::string, std::string>> tags;
  std::vector<ChartFile> charts;
};

// Reads the store once, over the longest period a tag or a chart shows, and builds every tag
// and chart. False, with SQLite's words in `error`, when the store cannot be read.
bool BuildHistory(ArchiveStore& store, const HistoryClock& clock, HistoryOutput& output,
                  std::string& error);

// Writes the tags, and the charts whose content changed (a temporary file renamed over the
// old one, then queued). A store that cannot be read is journalled and leaves all as it was.
void PublishHistory(AgentContext& context, ArchiveStore& store);

// "---" into every history tag, before any collection.
void InitialiseHistoryTags(AgentContext& context);

}  // namespace agent
