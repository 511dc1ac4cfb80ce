#include "agent/publication/site_sync.h"

#include "agent/core/journal.h"
#include "agent/core/upload_queue.h"
#include "platform/env.h"
#include "platform/files.h"

namespace agent::publication {
namespace {

void Log(AgentContext& context, const std::string& text) {
  LogMessage(context, "[SynchroSite] : " + text);
}

}  // namespace

int ListFilesRecursive(platform::Env& env, const std::string& directory,
                       std::vector<std::string>& list, const std::string& pattern, bool recursive) {
  std::string base = platform::NormaliseSeparators(directory);
  if (!env.DirectoryExists(base)) return 0;
  while (!base.empty() && base.back() == '/') base.pop_back();
  base += '/';
  // "*.*" names every file, those without an extension too.
  const std::string file_pattern = pattern == "*.*" ? "*" : pattern;

  int count = 0;
  for (const std::string& name : env.ListDirectory(base, file_pattern)) {
    list.push_back(base + name);
    ++count;
  }
  if (recursive)
    for (const std::string& name : env.ListSubdirectories(base, "*"))
      count += ListFilesRecursive(env, base + name + "/", list, "*.*", recursive);
  return count;
}

std::string ProgramDirectory(const AgentContext& context) {
  std::string directory = context.paths().program_directory;
  if (directory.empty() || directory.back() != '/') directory += '/';
  return directory;
}

std::string SyncMarkerPath(const AgentContext& context) {
  return ProgramDirectory(context) + kSyncMarkerName;
}

void SyncMarker::Expect(const std::vector<std::string>& local_paths) {
  std::lock_guard<std::mutex> lock(mutex_);
  remaining_ = std::set<std::string>(local_paths.begin(), local_paths.end());
}

bool SyncMarker::Pending() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !remaining_.empty();
}

void SyncMarker::OnUploaded(AgentContext& context, const std::string& local_path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (remaining_.erase(local_path) == 0 || !remaining_.empty()) return;
  const std::string path = SyncMarkerPath(context);
  const std::string created = FormatJournalDate("%dd/%mm/%yyyy - %hh:%ii:%ss", context.env().Now());
  if (context.env().WriteFileAtomically(path, created))
    Log(context, "Création du fichier indice.");
  else
    Log(context, "Impossible de créer le fichier indice " + path +
                     ", la prochaine synchronisation aura lieu au "
                     "prochain démarrage.");
}

void SynchroniseSite(AgentContext& context, SyncMarker& marker) {
  const std::string root = context.Expand(context.Setting("FTP", "LocalRepository"));
  marker.Expect({});
  if (root.empty()) return;
  Log(context, "Recherche de l'indicateur de synchronisation du site.");
  if (context.env().FileExists(SyncMarkerPath(context))) {
    Log(context, "Le fichier indice existe, pas besoin de faire une synchronisation.");
  } else {
    Log(context, "Le fichier n'existe pas lancement de la synchronistataion du site local.");
    Log(context, "Récupération des fichiers à l'emplacement : " + root);
    std::vector<std::string> files;
    const int count =
        ListFilesRecursive(context.env(), context.ResolvePath(root), files, "*.*", true);
    Log(context,
        "Récupération effectué. " + std::to_string(count) + " fichier(s) ont été ressencé(s).");
    if (count == 0) {
      Log(context, "Pas de fichier à transferer.");
    } else {
      Log(context, "Ajout des fichiers dans la file d'attente du moteur FTP.");
      // Expected before they are queued: a push may start with the first one.
      marker.Expect(files);
      for (const std::string& file : files) QueueUpload(context, file);
      context.state.push_due.Set();
      Log(context, "Lancement du téléchargement du site.");
    }
  }
  Log(context, "Opération terminée.");
}

}  // namespace agent::publication
