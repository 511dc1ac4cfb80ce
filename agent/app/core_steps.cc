// The agent core's own start-up steps: configuration, user data, application
// tags, cache directory and the catalogue's placeholders.

#include <mutex>

#include "agent/app/startup.h"
#include "agent/catalogue/value_catalogue.h"
#include "platform/files.h"

namespace agent {

void LoadConfigurationStep(Agent& agent) {
  AgentContext& context = agent.context();
  AgentState& state = context.state;
  const std::string file = context.ResolvePath(kConfigurationFileName);
  if (LoadIniSection(context.env(), file, state.configuration, "") == 0) {
    // No journal file is known yet: this line reaches no file.
    context.journal.WriteJournal("Erreur dans le chargement du fichir INI", "");
  }
  LoadIniSection(context.env(), file, state.stream_files, "STREAMFILE");
  LoadIniSection(context.env(), file, state.user_data, "USERDATA");
}

void InsertUserDataStep(Agent& agent) {
  AgentContext& context = agent.context();
  AgentState& state = context.state;
  if (state.user_data.Empty()) {
    LogMessage(context, "[BRUMALWEB] : Pas de données utilisateurs à ajouter.");
    return;
  }
  LogMessage(context,
             "[BRUMALWEB] : Insertion des données utilisateur dans la catalogue des valeurs.");
  {
    std::lock_guard<platform::EnvMutex> lock(state.catalogue_lock);
    state.user_data.ForEach([&state](const std::string&, const ConfigEntry& entry) {
      SetTag(state.catalogue, entry.key, entry.value);
    });
  }
  LogMessage(context, "[BRUMALWEB] : Insertion des données utilisateur effectuées.");
}

void PublishApplicationTagsStep(Agent& agent) {
  AgentState& state = agent.context().state;
  std::lock_guard<platform::EnvMutex> lock(state.catalogue_lock);
  SetTag(state.catalogue, "TitreApplicationGlobal", ApplicationFullTitle());
  SetTag(state.catalogue, "TitreApplication", kApplicationTitle);
  SetTag(state.catalogue, "VersionApplication", ApplicationVersion());
}

void ComputeCacheDirectoryStep(Agent& agent) {
  AgentContext& context = agent.context();
  std::string cache =
      platform::NormaliseSeparators(context.Expand(context.Setting("GENERAL", "Cache")));
  while (cache.size() > 1 && cache.back() == '/') cache.pop_back();
  context.cache_directory = cache;
  // Images are written into it: make the last level when it is missing.
  if (!cache.empty()) context.env().CreateDirectory(context.CacheDirectoryPath());
}

void InitialiseTagsStep(Agent& agent) {
  InitialiseTags(agent.context(), agent.image_hooks());
}

}  // namespace agent
