#pragma once
// The journal writer: one line per message, as text, csv or html, archived
// under numbered names at a size limit. Settings come as "name=value;..." and
// persist between calls. Calls are serialised, so no line is lost when several
// threads write at once.

#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "agent/core/keyed_table.h"
#include "platform/env.h"

namespace agent {

inline constexpr const char* kDefaultJournalDateMask = "%dd/%mm/%yyyy %hh:%ii:%ss";
inline constexpr const char* kHtmlJournalHeader =
    "<HTML><BODY><TABLE border='1'><TR><TH>Date</TH><TH>Niveau</TH><TH>Texte</TH></TR>";

class Journal {
 public:
  explicit Journal(platform::Env& env);
  // Merges `configuration` into the settings, then writes `message` to the
  // file named by "fichier". 1 when the line was written, else 0.
  int WriteJournal(std::string_view message, std::string_view configuration);
  // The same for several messages, in order, as they would be one call each,
  // but appended to the file at once (once more before each archiving): a
  // burst of lines costs one opening of the file. The number of lines written.
  int WriteJournal(std::span<const std::string_view> messages, std::string_view configuration);
  // The current value of one journal setting (name in lower case).
  std::string Setting(std::string_view name);
  // Tests count the lines with this: `observer` runs once per message, under
  // the journal's lock, with 1 for as many of a call's lines as were written.
  void SetCallObserver(std::function<void(int written)> observer);

 private:
  // mutex_ held
  int Write(std::span<const std::string_view> messages, std::string_view configuration);

  std::mutex mutex_;
  platform::Env& env_;
  KeyedTable<std::string> settings_;
  // The journal's directory once made, so that a line costs no mkdir.
  std::string made_directory_;
  std::function<void(int)> observer_;
};

// Replaces "%yyyy", "%yy", "%mm", "%dd", "%hh", "%ii", "%ss" by the parts of `t`.
std::string FormatJournalDate(std::string_view mask, const platform::LocalTime& t);
// The archive name of `journalPath` for number n: every occurrence of the
// extension text in the file name becomes n + "." + extension. Equal to the
// file name itself when there is no extension.
std::string JournalArchiveName(const std::string& file_name, unsigned n);

}  // namespace agent
