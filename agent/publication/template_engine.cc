#include "agent/publication/template_engine.h"

#include <mutex>

#include "agent/publication/fill_template.h"

namespace agent::publication {

void RunTemplatePass(AgentContext& context) {
  AgentState& state = context.state;
  if (!state.templates_due.IsSet()) return;
  LogMessage(context,
             "[MoteurInjectionDonnees] : Démarrage de l'injection des données dans les fichiers");
  {
    std::lock_guard<platform::EnvMutex> publication_lock(state.publication_lock);
    std::lock_guard<platform::EnvMutex> catalogue_lock(state.catalogue_lock);
    TagSubstitution substitution = CatalogueSubstitution(context);
    state.stream_files.ForEach([&](const std::string&, const ConfigEntry& entry) {
      LogMessage(context, "[MoteurInjectionDonnees] : Remplissage du fichier => " + entry.key);
      if (!entry.value.empty()) FillTemplate(context, context.Expand(entry.value), substitution);
    });
    // Cleared at the end, not at the start: a request that arrived during the
    // pass was absorbed by it.
    state.templates_due.Clear();
    state.push_due.Set();
  }
  LogMessage(context, "[MoteurInjectionDonnees] : Fin d'injection des données.");
}

void RunTemplateEngine(AgentContext& context) {
  do {
    RunTemplatePass(context);
  } while (context.Sleep(1000));
}

}  // namespace agent::publication
