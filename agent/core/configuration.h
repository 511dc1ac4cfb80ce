#pragma once
// The configuration file: INI syntax, the loader into a keyed table, the
// number rules and read access to settings.

#include <cstdint>
#include <string>
#include <string_view>

#include "agent/core/keyed_table.h"
#include "platform/env.h"

namespace agent {

// One line of an INI file: the group it was read under, the key as written,
// the value text. Stored under group + "_" + key.
struct ConfigEntry {
  std::string group;
  std::string key;
  std::string value;
};
using ConfigTable = KeyedTable<ConfigEntry>;

inline constexpr const char* kConfigurationFileName = "tvl_brumalweb.ini";

// Loads `file_name` into `target`. With an empty `section_name` every group is
// loaded under its own name; otherwise only the first group whose name equals
// `section_name` without regard to case, stored under `section_name` as given.
// A missing or unreadable file loads nothing. Returns target.Count().
int LoadIniSection(platform::Env& env, const std::string& file_name, ConfigTable& target,
                   std::string_view section_name);
// The same over text already read (UTF-8 mark skipped; text without mark is
// UTF-8 when valid, else Windows-1252).
int LoadIniText(std::string_view bytes, ConfigTable& target, std::string_view section_name);

// The number rule: spaces and tabs skipped, optional sign, then decimal digits
// ("$" hexadecimal, "%" binary) up to the first other character; 0 when none.
std::int64_t ParseSettingNumber(std::string_view text);
// The low 32 bits of ParseSettingNumber, as the agent uses numbers.
std::int32_t ParseSettingInt32(std::string_view text);
// A decimal fraction with "," or "." as the mark ("0,5" is 0.5); an unreadable
// text is 0.
double ParseSettingDecimal(std::string_view text);

// Read access. An absent key reads as the empty text (or 0); reads never add
// an element, so the table is read-only once loaded and safe to share.
std::string SettingText(const ConfigTable& table, std::string_view group, std::string_view key);
std::int32_t SettingNumber(const ConfigTable& table, std::string_view group, std::string_view key);
bool HasSetting(const ConfigTable& table, std::string_view group, std::string_view key);

}  // namespace agent
