#pragma once
// The agent's context: everything an engine needs, passed by reference, so
// tests build one over a FakeClock (or any Env) and a temporary working directory. The
// program keeps one instance for the life of the process.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "agent/core/agent_state.h"
#include "agent/core/journal.h"
#include "agent/core/language_pack.h"
#include "platform/env.h"

namespace agent {

inline constexpr const char* kApplicationTitle = "Tavrel Brumalis WEB";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;
std::string ApplicationVersion();    // "1.0"
std::string ApplicationFullTitle();  // "Tavrel Brumalis WEB v1.0"

struct AgentPaths {
  std::string working_directory;  // where tvl_brumalweb.ini and relative paths live
  std::string program_directory;  // where langue.pack and the sync marker live
  std::string program_path;       // the executable (gives NOMPROGRAMME)
  // The paths of this process (getcwd, TVL_BRUMALWEB_HOME or own directory).
  static AgentPaths OfProcess(platform::Env& env);
};

// The kinds of file the agent writes for others to read: a kind that starts failing (a full
// disk, a refused rename) is journalled once, and once more when it works again, never at
// every attempt.
enum class WrittenFile : std::uint8_t { kCatalogueDump, kTemplate, kImage, kLibrary, kCount };

class AgentContext {
 public:
  AgentContext(platform::Env& env, AgentPaths paths);
  AgentContext(const AgentContext&) = delete;
  AgentContext& operator=(const AgentContext&) = delete;

  platform::Env& env() { return env_; }
  const AgentPaths& paths() const { return paths_; }

  AgentState state;
  Journal journal;
  LanguagePack language;
  // GENERAL_Cache expanded once at start-up (a "/" path; empty means the
  // working directory).
  std::string cache_directory;
  // A template as read and as filled, kept from one fill to the next under the
  // publication lock: a template of megabytes in fresh memory costs more in
  // page faults than its filling.
  std::string template_bytes;
  std::string filled_template;
  // The journal lines of a template's filling (request blocks found, lines
  // cut), held while its text is filled and then written at once: a table
  // with request blocks costs one append to the journal, not one per block.
  std::vector<std::string> fill_journal_lines;

  // Settings of the configuration table (absent: "" or 0).
  std::string Setting(std::string_view group, std::string_view key) const;
  std::int32_t SettingNumber(std::string_view group, std::string_view key) const;
  bool HasSetting(std::string_view group, std::string_view key) const;

  // ExpandPlaceholders with the environment, time and paths of this context.
  std::string Expand(std::string_view text);
  // "\" becomes "/"; a relative path is taken from the working directory.
  std::string ResolvePath(std::string_view path) const;
  // The cache directory as a usable directory path (working directory when empty).
  std::string CacheDirectoryPath() const;

  // Orderly stop, requested by the main loop once a stop signal was received
  // (never from a signal handler: it takes a lock). A loop sleeping in Sleep()
  // wakes up at once (on the real clock) and gets false; so does any later Sleep().
  // The flag itself also wakes every socket wait tied to it (platform::net),
  // and waits on other work that must give way to the stop (WaitForEither).
  void RequestStop() { stop_.Set(); }
  bool StopRequested() const { return stop_.IsSet(); }
  const platform::StopFlag& stop_flag() const { return stop_; }
  bool Sleep(std::int64_t ms);

  // Journals `failure_line` (with the cause) when a write of `kind` fails after working, and
  // `recovery_line` when it works after failing. True when `status` is a success.
  bool NoteWrite(WrittenFile kind, const platform::FileStatus& status,
                 std::string_view failure_line, std::string_view recovery_line);

  // A muted journal drops every LogMessage (--list-tags writes no journal).
  void MuteJournal() { muted_.store(true, std::memory_order_relaxed); }
  bool JournalMuted() const { return muted_.load(std::memory_order_relaxed); }

 private:
  platform::Env& env_;
  AgentPaths paths_;
  platform::StopFlag stop_;
  std::atomic<bool> muted_{false};
  std::array<std::atomic<bool>, static_cast<std::size_t>(WrittenFile::kCount)> failing_{};
};

// One journal line built from the LOG settings read at this call; always 0.
int LogMessage(AgentContext& context, std::string_view text);
// One journal line for each of `texts`, in order, appended to the file at once.
void LogMessages(AgentContext& context, const std::vector<std::string>& texts);

}  // namespace agent
