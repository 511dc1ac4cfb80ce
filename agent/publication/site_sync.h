#pragma once
// Site synchronisation: on the first start, the whole local copy of the site
// is queued for upload; a marker file next to the program records that the
// site was uploaded, so later starts skip it (deleting the marker asks again).

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "agent/core/agent_context.h"

namespace agent::publication {

inline constexpr const char* kSyncMarkerName = "SyncRepositoryFTP.brumalweb";

// Appends the files of `directory` matching `pattern` ("*.*" is every file),
// then, when `recursive`, those of each sub-directory (any pattern there), to
// `list` as full paths. Returns the number of files added by this call. An
// unreadable directory adds nothing.
int ListFilesRecursive(platform::Env& env, const std::string& directory,
                       std::vector<std::string>& list, const std::string& pattern, bool recursive);

// The program's directory with its trailing "/".
std::string ProgramDirectory(const AgentContext& context);
std::string SyncMarkerPath(const AgentContext& context);

// Writes the marker once every file the synchronisation queued has been
// stored on the server: writing it earlier would report a failed upload
// (a wrong password at the first start) as done for ever.
class SyncMarker {
 public:
  // The files whose upload completes the synchronisation (replacing what an
  // earlier one expected).
  void Expect(const std::vector<std::string>& local_paths);
  // Told by the push engine of each file it stored.
  void OnUploaded(AgentContext& context, const std::string& local_path);
  bool Pending();

 private:
  std::mutex mutex_;  // a leaf lock: nothing else is taken while it is held
  std::set<std::string> remaining_;
};

// Runs the synchronisation once, on the calling thread, to its end.
void SynchroniseSite(AgentContext& context, SyncMarker& marker);

}  // namespace agent::publication
