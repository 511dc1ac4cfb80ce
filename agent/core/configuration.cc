#include "agent/core/configuration.h"

#include <cstdlib>
#include <string>

namespace agent {
namespace {

std::string TableKey(std::string_view group, std::string_view key) {
  std::string name(group);
  name += '_';
  name += key;
  return name;
}

}  // namespace

std::int64_t ParseSettingNumber(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  unsigned base = 10;
  if (at < text.size() && text[at] == '$') {
    base = 16;
    ++at;
  } else if (at < text.size() && text[at] == '%') {
    base = 2;
    ++at;
  }
  // Accumulate unsigned so an over-long number wraps instead of overflowing.
  std::uint64_t value = 0;
  for (; at < text.size(); ++at) {
    char c = text[at];
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      break;
    if (digit >= base) break;
    value = value * base + digit;
  }
  if (negative) value = ~value + 1;
  return static_cast<std::int64_t>(value);
}

std::int32_t ParseSettingInt32(std::string_view text) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(ParseSettingNumber(text) & 0xFFFFFFFF));
}

double ParseSettingDecimal(std::string_view text) {
  std::string copy(text);
  for (char& c : copy)
    if (c == ',') c = '.';
  // strtod follows the C locale, which the program never changes: "." is the mark.
  char* end = nullptr;
  double value = std::strtod(copy.c_str(), &end);
  if (end == copy.c_str()) return 0.0;
  return value;
}

std::string SettingText(const ConfigTable& table, std::string_view group, std::string_view key) {
  const ConfigEntry* entry = table.Find(TableKey(group, key));
  return entry ? entry->value : std::string();
}

std::int32_t SettingNumber(const ConfigTable& table, std::string_view group, std::string_view key) {
  return ParseSettingInt32(SettingText(table, group, key));
}

bool HasSetting(const ConfigTable& table, std::string_view group, std::string_view key) {
  return table.Contains(TableKey(group, key));
}

}  // namespace agent
