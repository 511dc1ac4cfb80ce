#include <optional>
#include <string>

#include "agent/core/configuration.h"
#include "platform/files.h"
#include "platform/text_encoding.h"

namespace agent {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Calls fn(line) for every line; CR, LF and CR LF end a line.
template <typename Fn>
void ForEachLine(std::string_view text, Fn&& fn) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      fn(text.substr(start));
      return;
    }
    fn(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
}

}  // namespace

int LoadIniText(std::string_view bytes, ConfigTable& target, std::string_view section_name) {
  const std::string text = platform::DecodeText(bytes).utf8;
  const bool one_section = !section_name.empty();
  // The group being read, under the name its elements carry; none before the
  // first header or while skipping groups that do not match.
  std::optional<std::string> group;
  bool section_done = false;

  ForEachLine(text, [&](std::string_view line) {
    if (section_done) return;
    std::size_t at = 0;
    while (at < line.size() && IsBlank(line[at])) ++at;
    line.remove_prefix(at);
    if (line.empty() || line.front() == ';') return;
    if (line.front() == '[') {
      std::string_view name = line.substr(1);
      name = name.substr(0, name.find(']'));
      if (!one_section) {
        group = std::string(name);
      } else if (group) {
        section_done = true;  // the requested group has ended: only its first pass counts
      } else if (EqualsIgnoringCase(name, section_name)) {
        group = std::string(section_name);
      }
      return;
    }
    if (!group) return;
    std::size_t equals = line.find('=');
    std::string_view key = line.substr(0, equals);
    while (!key.empty() && IsBlank(key.back())) key.remove_suffix(1);
    std::string_view value;
    if (equals != std::string_view::npos) {
      value = line.substr(equals + 1);
      while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    }
    if (key.empty()) return;
    std::string table_key = *group + "_" + std::string(key);
    target.Set(table_key, ConfigEntry{*group, std::string(key), std::string(value)});
  });
  return static_cast<int>(target.Count());
}

int LoadIniSection(platform::Env& env, const std::string& file_name, ConfigTable& target,
                   std::string_view section_name) {
  std::string bytes;
  if (!env.ReadFile(file_name, bytes)) return static_cast<int>(target.Count());
  return LoadIniText(bytes, target, section_name);
}

}  // namespace agent
