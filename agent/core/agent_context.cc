#include "agent/core/agent_context.h"

#include "agent/core/placeholders.h"
#include "platform/environment.h"

namespace agent {

std::string ApplicationVersion() {
  return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor);
}

std::string ApplicationFullTitle() {
  return std::string(kApplicationTitle) + " v" + ApplicationVersion();
}

AgentPaths AgentPaths::OfProcess(platform::Env& env) {
  return AgentPaths{env.CurrentDirectory(), platform::ProgramDirectory(env), env.ProgramPath()};
}

AgentContext::AgentContext(platform::Env& env, AgentPaths paths)
    : state(env),
      journal(env),
      language(env, platform::JoinPath(paths.program_directory, kLanguagePackFileName)),
      env_(env),
      paths_(std::move(paths)) {}

std::string AgentContext::Setting(std::string_view group, std::string_view key) const {
  return SettingText(state.configuration, group, key);
}

std::int32_t AgentContext::SettingNumber(std::string_view group, std::string_view key) const {
  return agent::SettingNumber(state.configuration, group, key);
}

bool AgentContext::HasSetting(std::string_view group, std::string_view key) const {
  return agent::HasSetting(state.configuration, group, key);
}

std::string AgentContext::Expand(std::string_view text) {
  // Most texts (every journal line's file setting, as a rule) hold no
  // placeholder: the process environment is not copied for them.
  if (text.find('#') == std::string_view::npos) return std::string(text);
  PlaceholderSources sources{env_.EnvironmentVariables(), env_.Now(), paths_.working_directory,
                             paths_.program_path};
  return ExpandPlaceholders(text, sources);
}

std::string AgentContext::ResolvePath(std::string_view path) const {
  std::string normal = platform::NormaliseSeparators(std::string(path));
  if (normal.empty() || platform::IsAbsolutePath(normal)) return normal;
  return platform::JoinPath(paths_.working_directory, normal);
}

std::string AgentContext::CacheDirectoryPath() const {
  return cache_directory.empty() ? paths_.working_directory : ResolvePath(cache_directory);
}

namespace {

std::string_view CauseText(platform::FileError error) {
  switch (error) {
    case platform::FileError::kNoSpace:
      return " (disque plein)";
    case platform::FileError::kDenied:
      return " (accès refusé)";
    case platform::FileError::kMissing:
      return " (répertoire absent)";
    default:
      return " (erreur du disque)";
  }
}

// The LOG settings as the journal takes them, read at each call.
std::string JournalConfiguration(AgentContext& context) {
  return "fichier=" + context.ResolvePath(context.Expand(context.Setting("LOG", "File"))) +
         ";taillefichier=" + context.Setting("LOG", "Size") +
         ";type=" + context.Setting("LOG", "Type") +
         ";archivemax=" + context.Setting("LOG", "NumberOfArchive");
}

}  // namespace

bool AgentContext::NoteWrite(WrittenFile kind, const platform::FileStatus& status,
                             std::string_view failure_line, std::string_view recovery_line) {
  std::atomic<bool>& failing = failing_[static_cast<std::size_t>(kind)];
  if (status) {
    if (failing.exchange(false)) LogMessage(*this, recovery_line);
    return true;
  }
  if (!failing.exchange(true))
    LogMessage(*this, std::string(failure_line) + std::string(CauseText(status.error())));
  return false;
}

bool AgentContext::Sleep(std::int64_t ms) {
  env_.SleepMsUnless(ms, stop_);
  return !StopRequested();
}

int LogMessage(AgentContext& context, std::string_view text) {
  if (context.JournalMuted()) return 0;
  context.journal.WriteJournal(text, JournalConfiguration(context));
  return 0;
}

void LogMessages(AgentContext& context, const std::vector<std::string>& texts) {
  if (context.JournalMuted() || texts.empty()) return;
  const std::vector<std::string_view> messages(texts.begin(), texts.end());
  context.journal.WriteJournal(messages, JournalConfiguration(context));
}

}  // namespace agent
