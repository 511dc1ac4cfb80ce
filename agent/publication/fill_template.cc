#include "agent/publication/fill_template.h"

#include <mutex>
#include <vector>

#include "agent/core/upload_queue.h"
#include "agent/publication/template_text.h"
#include "platform/files.h"

namespace agent::publication {
namespace {

// The path with "." and "name/.." levels and repeated "/" removed, so two
// spellings of one place compare equal.
std::string LexicallyNormal(const std::string& path) {
  std::vector<std::string> levels;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    std::string level = path.substr(start, slash - start);
    if (level == "..") {
      if (!levels.empty() && levels.back() != "..")
        levels.pop_back();
      else
        levels.push_back(level);
    } else if (!level.empty() && level != ".") {
      levels.push_back(level);
    }
    start = slash + 1;
  }
  std::string normal = platform::IsAbsolutePath(path) ? "/" : "";
  for (std::size_t i = 0; i < levels.size(); ++i) normal += (i ? "/" : "") + levels[i];
  return normal;
}

}  // namespace

TagSubstitution CatalogueSubstitution(AgentContext& context) {
  std::vector<TagEntry> tags;
  tags.reserve(context.state.catalogue.Count());
  context.state.catalogue.ForEach([&tags](const std::string& name, const std::string& value) {
    tags.push_back({name, value});
  });
  return TagSubstitution(
      std::move(tags), context.Setting("FORMDATA", "SeparatorRQT"),
      [&context](std::string_view criterion) {
        context.fill_journal_lines.push_back("[CodeMeteoBrumal] : Critère de recherche trouvé => " +
                                             std::string(criterion));
      },
      [&context](std::size_t limit) {
        context.fill_journal_lines.push_back(
            "[CodeMeteoBrumal] : Ligne trop longue après remplacement (plus de " +
            std::to_string(limit) + " octets), la suite de ses balises n'est pas remplacée.");
      });
}

std::string TemplateOutputPath(const AgentContext& context, const std::string& template_path) {
  return platform::JoinPath(context.CacheDirectoryPath(),
                            platform::FileNamePart(platform::NormaliseSeparators(template_path)));
}

void FillTemplate(AgentContext& context, const std::string& template_path,
                  TagSubstitution& substitution) {
  const std::string source = context.ResolvePath(template_path);
  platform::Env& env = context.env();
  if (env.FileSize(source) < 0) return;

  const std::string cache = context.CacheDirectoryPath();
  const std::string output = TemplateOutputPath(context, source);
  if (LexicallyNormal(context.ResolvePath(output)) == LexicallyNormal(source)) {
    LogMessage(context,
               "[RemplisFichier] : Le fichier " + source +
                   " se trouve dans le répertoire cache : il serait remplacé par son propre "
                   "résultat, il n'est pas rempli.");
    return;
  }
  env.CreateDirectory(cache);

  // Reading needs no write access: a read-only template is filled like any other.
  if (!env.ReadFile(source, context.template_bytes)) {
    LogMessage(context, "[RemplisFichier] : Impossible de lire le fichier " + source + ".");
    return;
  }
  context.fill_journal_lines.clear();
  FillTemplateText(context.template_bytes, substitution, context.filled_template);
  LogMessages(context, context.fill_journal_lines);
  if (!context.NoteWrite(
          WrittenFile::kTemplate, env.WriteFileAtomically(output, context.filled_template),
          "[RemplisFichier] : Impossible d'écrire le fichier " + output +
              ", il n'est pas ajouté au pool de PushFTP.",
          "[RemplisFichier] : Fichiers remplis de nouveau écrits dans " + cache + ".")) {
    return;
  }
  const std::string key = QueueKey(output);
  LogMessage(context, "[RemplisFichier] : Ajout du fichier " + output + " N/S :(" + key +
                          ") dans le pool de PushFTP");
  EnterUploadQueue(context.state, output);
}

}  // namespace agent::publication
