#include "agent/core/agent_context.h"

#include "agent/core/placeholders.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace agent {

std::string ApplicationVersion() {
  return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor);
}

std::string ApplicationFullTitle() {
  return std::string(kApplicationTitle) + " v" + ApplicationVersion();
}

AgentPaths AgentPaths::OfProcess() {
  return AgentPaths{platform::CurrentDirectory(), platform::ProgramDirectory(),
                    platform::OwnExecutablePath()};
}

AgentContext::AgentContext(platform::Clock& clock, AgentPaths paths)
    : journal(clock),
      language(platform::JoinPath(paths.program_directory, kLanguagePackFileName)),
      clock_(clock),
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
  PlaceholderSources sources{platform::EnvironmentVariables(), clock_.Now(),
                             paths_.working_directory, paths_.program_path};
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

bool AgentContext::Sleep(std::int64_t ms) {
  clock_.SleepMsUnless(ms, stop_);
  return !StopRequested();
}

int LogMessage(AgentContext& context, std::string_view text) {
  if (context.JournalMuted()) return 0;
  std::string configuration =
      "fichier=" + context.ResolvePath(context.Expand(context.Setting("LOG", "File"))) +
      ";taillefichier=" + context.Setting("LOG", "Size") +
      ";type=" + context.Setting("LOG", "Type") +
      ";archivemax=" + context.Setting("LOG", "NumberOfArchive");
  context.journal.WriteJournal(text, configuration);
  return 0;
}

}  // namespace agent
