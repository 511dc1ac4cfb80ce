#include "agent/core/placeholders.h"

#include <cstdio>
#include <string>

#include "agent/core/agent_context.h"
#include "platform/files.h"

namespace agent {
namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Replaces every "#name#" in `text`, left to right; the inserted text is not
// scanned again.
void ReplacePlaceholder(std::string& text, std::string_view name, std::string_view value,
                        bool ignore_case) {
  const std::string marker = "#" + std::string(name) + "#";
  auto matches_at = [&](std::size_t at) {
    if (at + marker.size() > text.size()) return false;
    for (std::size_t i = 0; i < marker.size(); ++i) {
      char a = text[at + i], b = marker[i];
      if (ignore_case ? Lower(a) != Lower(b) : a != b) return false;
    }
    return true;
  };
  std::string result;
  std::size_t at = 0;
  bool replaced = false;
  while (at < text.size()) {
    std::size_t hash = text.find('#', at);
    if (hash == std::string::npos) break;
    if (matches_at(hash)) {
      result.append(text, at, hash - at);
      result.append(value);
      at = hash + marker.size();
      replaced = true;
    } else {
      result.append(text, at, hash + 1 - at);
      at = hash + 1;
    }
  }
  if (!replaced) return;
  result.append(text, at, std::string::npos);
  text = std::move(result);
}

std::string TwoDigits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

std::string ProgramName(const std::string& program_path) {
  std::string name = platform::FileNamePart(platform::NormaliseSeparators(program_path));
  for (std::size_t at; (at = name.find(".exe")) != std::string::npos;) name.erase(at, 4);
  return name;
}

}  // namespace

std::string ExpandPlaceholders(std::string_view input, const PlaceholderSources& sources) {
  std::string text(input);
  if (text.find('#') == std::string::npos) return text;
  for (const auto& [name, value] : sources.environment) ReplacePlaceholder(text, name, value, true);

  const platform::LocalTime& t = sources.now;
  char year[16];
  std::snprintf(year, sizeof year, "%04d", t.year);
  std::string working_directory = sources.working_directory;
  if (working_directory.empty() || working_directory.back() != '/') working_directory += '/';
  const std::pair<const char*, std::string> own[] = {
      {"version", ApplicationVersion()}, {"h", TwoDigits(t.hour)},
      {"s", TwoDigits(t.second)},        {"a", year},
      {"m", TwoDigits(t.month)},         {"j", TwoDigits(t.day)},
      {"REPCOURANT", working_directory}, {"NOMPROGRAMME", ProgramName(sources.program_path)},
  };
  for (const auto& [name, value] : own) ReplacePlaceholder(text, name, value, false);
  return text;
}

}  // namespace agent
