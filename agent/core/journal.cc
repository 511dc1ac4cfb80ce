#include "agent/core/journal.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "agent/core/configuration.h"
#include "platform/files.h"

namespace agent {
namespace {

std::string ToLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string ToUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
}

std::string Padded(int value, int width) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

// The extension of a file name: the text after its last ".", "" when none.
std::string_view Extension(std::string_view file_name) {
  std::size_t dot = file_name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : file_name.substr(dot + 1);
}

// Deletes every archive of the journal: files named stem + "." + digits + "." + ext.
void DeleteArchives(platform::Env& env, const std::string& directory,
                    const std::string& file_name) {
  std::string_view ext = Extension(file_name);
  std::string stem = file_name.substr(0, file_name.size() - ext.size() - 1);
  for (const std::string& name : env.ListDirectory(directory, stem + ".*." + std::string(ext))) {
    std::string_view number(name);
    number = number.substr(stem.size() + 1, name.size() - stem.size() - ext.size() - 2);
    bool digits = !number.empty();
    for (char c : number) digits = digits && c >= '0' && c <= '9';
    if (digits) env.DeleteFile(platform::JoinPath(directory, name));
  }
}

// Renames the journal to its first free archive number. When every number is
// taken the archives are deleted instead, and the journal is archived as 0 at
// the next call. True when the journal now starts afresh.
bool ArchiveJournal(platform::Env& env, const std::string& path, unsigned maximum) {
  const std::string directory = platform::DirectoryPart(path);
  const std::string file_name = platform::FileNamePart(path);
  if (Extension(file_name).empty()) return false;  // the archive name would be its own
  for (unsigned n = 0; n <= maximum; ++n) {
    std::string archive = platform::JoinPath(directory, JournalArchiveName(file_name, n));
    if (env.FileExists(archive) || env.DirectoryExists(archive)) continue;
    if (env.RenameFile(path, archive)) return true;
  }
  DeleteArchives(env, directory, file_name);
  return false;
}

std::string Indentation(int level) {
  if (level <= 0) return {};
  return " " + std::string(static_cast<std::size_t>(level - 1), '\t');
}

std::string_view Prefix(std::string_view level_word) {
  if (level_word == "NIV") return "-> ";
  if (level_word == "ATT") return "!-> ";
  if (level_word == "ERR") return "X-> ";
  return {};
}

}  // namespace

std::string FormatJournalDate(std::string_view mask, const platform::LocalTime& t) {
  std::string text(mask);
  ReplaceAll(text, "%yyyy", Padded(t.year, 4));
  ReplaceAll(text, "%yy", Padded(t.year % 100, 2));
  ReplaceAll(text, "%mm", Padded(t.month, 2));
  ReplaceAll(text, "%dd", Padded(t.day, 2));
  ReplaceAll(text, "%hh", Padded(t.hour, 2));
  ReplaceAll(text, "%ii", Padded(t.minute, 2));
  ReplaceAll(text, "%ss", Padded(t.second, 2));
  return text;
}

std::string JournalArchiveName(const std::string& file_name, unsigned n) {
  std::string_view ext = Extension(file_name);
  if (ext.empty()) return file_name;
  // Only the final extension is numbered ("catalog.log" gives "catalog.0.log").
  return file_name.substr(0, file_name.size() - ext.size()) + std::to_string(n) + "." +
         std::string(ext);
}

Journal::Journal(platform::Env& env) : env_(env) {
  settings_.Set("formatdate", kDefaultJournalDateMask);
}

std::string Journal::Setting(std::string_view name) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::string* value = settings_.Find(name);
  return value ? *value : std::string();
}

void Journal::SetCallObserver(std::function<void(int)> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  observer_ = std::move(observer);
}

int Journal::WriteJournal(std::string_view message, std::string_view configuration) {
  return WriteJournal(std::span<const std::string_view>(&message, 1), configuration);
}

int Journal::WriteJournal(std::span<const std::string_view> messages,
                          std::string_view configuration) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int written = Write(messages, configuration);
  if (observer_) {
    for (std::size_t i = 0; i < messages.size(); ++i)
      observer_(i < static_cast<std::size_t>(written) ? 1 : 0);
  }
  return written;
}

int Journal::Write(std::span<const std::string_view> messages, std::string_view configuration) {
  // Merge "name=value;..." pairs; the value ends at a second "=".
  for (std::size_t start = 0; start <= configuration.size();) {
    std::size_t end = configuration.find(';', start);
    if (end == std::string_view::npos) end = configuration.size();
    std::string_view pair = configuration.substr(start, end - start);
    std::size_t equals = pair.find('=');
    if (equals != std::string_view::npos && equals > 0) {
      std::string_view value = pair.substr(equals + 1);
      value = value.substr(0, value.find('='));
      settings_.Set(ToLower(pair.substr(0, equals)), std::string(value));
    }
    start = end + 1;
  }
  auto setting = [this](std::string_view name) {
    const std::string* value = settings_.Find(name);
    return value ? *value : std::string();
  };

  const std::string path = platform::NormaliseSeparators(setting("fichier"));
  if (path.empty()) return 0;
  const std::string directory = platform::DirectoryPart(path);
  // The directory is made at the first line, not at every one; a line that
  // finds it gone makes it again below.
  const auto make_directory = [this, &directory] {
    if (!env_.CreateDirectory(directory)) return false;
    made_directory_ = directory;
    return true;
  };
  const bool directory_made = directory.empty() || directory == made_directory_;
  if (!directory_made && !make_directory()) return 0;

  // A limit that rounds to 0 bytes is no limit: it would archive every line.
  const double limit = std::nearbyint(ParseSettingDecimal(setting("taillefichier")) * 1024.0);
  const std::string type = ToLower(setting("type"));
  // Only a limit and the html header need the size: a text line costs no look
  // at the file. It is looked at once; the lines written since are counted.
  const bool sized = limit > 0 || type == "html";
  std::int64_t size = sized ? env_.FileSize(path) : 0;

  std::string level_word;
  int level = 0;
  const std::string niv = ToUpper(setting("niv"));
  if (!niv.empty()) {
    level_word = niv.substr(0, 3);
    if (niv.size() > 3 && niv[3] >= '0' && niv[3] <= '9') level = niv[3] - '0';
  }
  if (level == 0) level = ParseSettingInt32(setting("nivgbl"));
  const std::string mask = setting("formatdate");
  const std::string level_text = level_word + std::to_string(level);

  // A line the disk refuses is dropped, never retried: the journal blocks
  // nothing. Only lines whose directory went away are written once more, into
  // the directory made again.
  std::string lines;
  int pending = 0, written = 0;
  const auto append = [&] {
    if (pending == 0) return;
    platform::FileStatus status = env_.AppendToFile(path, lines);
    if (!status && status.error() == platform::FileError::kMissing && directory_made &&
        !directory.empty()) {
      made_directory_.clear();
      if (make_directory()) status = env_.AppendToFile(path, lines);
    }
    if (status) {
      written += pending;
    } else if (sized) {
      size = env_.FileSize(path);  // the count no longer holds
    }
    lines.clear();
    pending = 0;
  };

  for (const std::string_view message : messages) {
    // The lines held so far belong in the file about to be archived.
    if (limit > 0 && static_cast<double>(size) >= limit) append();
    bool is_new = size <= 0;
    if (limit > 0 && size >= 0 && static_cast<double>(size) >= limit) {
      std::int64_t maximum = ParseSettingInt32(setting("archivemax"));
      if (maximum <= 0) maximum = 65535;
      is_new = ArchiveJournal(env_, path, static_cast<unsigned>(maximum));
      if (is_new) size = 0;
    }

    const std::string date = mask == "0" ? std::string() : FormatJournalDate(mask, env_.Now());
    const std::size_t line_start = lines.size();
    if (type == "csv") {
      lines += date + ";" + level_text + ";" + std::string(message);
    } else if (type == "html") {
      if (is_new) lines += kHtmlJournalHeader;
      lines += "<TR><TD>" + date + "</TD><TD>" + level_text + "</TD><TD>" + std::string(message) +
               "</TD></TR>";
    } else {
      lines +=
          date + " :" + Indentation(level) + std::string(Prefix(level_word)) + std::string(message);
    }
    lines += "\r\n";
    ++pending;
    size = std::max<std::int64_t>(size, 0) + static_cast<std::int64_t>(lines.size() - line_start);
  }
  append();
  return written;
}

}  // namespace agent
