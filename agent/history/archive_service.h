#pragma once
// The Archive data service: downloads the console's records newer than the newest stored and
// keeps them in the history store, journalling what it added, the gaps it found and the
// store's failures, then publishes the history tags and charts. The agent never stops for the
// store: a failure is retried at the next collection.

#include <string>

#include "agent/acquisition/service_table.h"
#include "agent/acquisition/station_library.h"
#include "agent/core/agent_context.h"
#include "agent/history/archive_store.h"

namespace agent {

// [ARCHIVE] Database expanded, or archive.sqlite in the working directory.
std::string ArchiveDatabasePath(AgentContext& context);

// One collection: the download under the library's lock, then the history tags (under the
// catalogue lock alone) and charts. 0 when the console failed; a store that failed is
// journalled but is no fault of the link: 1.
int CollectArchive(AgentContext& context, StationLibrary& library, ArchiveStore& store);

// Fills the Archive row of the service table; `context` and `store` must outlive its use.
void InstallArchiveService(AgentContext& context, ServiceTable& services, ArchiveStore& store);

}  // namespace agent
