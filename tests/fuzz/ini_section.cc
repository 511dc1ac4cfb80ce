// The configuration loader over any bytes, with or without a byte-order
// mark, for all groups and for one named group.
#include <cstdlib>
#include <string>

#include "agent/core/configuration.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// Group names the agent asks for, and one that no file holds.
const char* const kSections[] = {"",         "GENERAL", "STREAMFILE", "USERDATA",
                                 "SERVICES", "FTP",     "Absent"};

bool HoldsLineEnd(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

// Input: the group to load (modulo the list above), then the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string section = kSections[input.Byte() % std::size(kSections)];
  const std::string_view bytes = input.Rest();

  agent::ConfigTable table;
  const int count = agent::LoadIniText(bytes, table, section);
  if (count < 0 || static_cast<std::size_t>(count) != table.Count()) std::abort();
  table.ForEach([&](const std::string& table_key, const agent::ConfigEntry& entry) {
    if (entry.key.empty() || table_key != entry.group + "_" + entry.key) std::abort();
    if (!section.empty() && entry.group != section) std::abort();
    if (HoldsLineEnd(entry.key) || HoldsLineEnd(entry.value) || HoldsLineEnd(entry.group))
      std::abort();
    // Every value may be read as a number or a decimal.
    agent::ParseSettingInt32(entry.value);
    agent::ParseSettingDecimal(entry.value);
  });
  return 0;
}
