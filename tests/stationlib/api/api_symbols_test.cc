// The library's dynamic symbol table holds exactly the exports of the family
// tables, under their decorated names with "$" for "@", and the clock hook.
#include <elf.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "stationlib/api/OrbiskPro.h"
#include "stationlib/link/library_clock.h"

namespace {

std::set<std::string> ExpectedSymbols() {
  std::set<std::string> names;
#define ORBISK_EXPORT(name, bytes, result, failure, params, args) \
  names.insert(ORBISK_SYMBOL_TEXT(name, bytes));
#include "stationlib/api/OrbiskPro_families.inc"
#undef ORBISK_EXPORT
  return names;
}

// Defined function and object symbols of the ELF file's .dynsym.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::set<std::string> names;
  if (file.size() < sizeof(Elf64_Ehdr)) return names;
  const auto* header = reinterpret_cast<const Elf64_Ehdr*>(file.data());
  const auto* sections = reinterpret_cast<const Elf64_Shdr*>(file.data() + header->e_shoff);
  for (int i = 0; i < header->e_shnum; ++i) {
    if (sections[i].sh_type != SHT_DYNSYM) continue;
    const Elf64_Shdr& strings = sections[sections[i].sh_link];
    const auto* symbols = reinterpret_cast<const Elf64_Sym*>(file.data() + sections[i].sh_offset);
    const std::size_t count = sections[i].sh_size / sizeof(Elf64_Sym);
    for (std::size_t s = 0; s < count; ++s) {
      if (symbols[s].st_shndx == SHN_UNDEF || symbols[s].st_name == 0) continue;
      names.insert(file.data() + strings.sh_offset + symbols[s].st_name);
    }
  }
  return names;
}

TEST(ApiSymbols, ExactlyTheTableIsExported) {
  std::set<std::string> expected = ExpectedSymbols();
  // The tests' clock hook is the one symbol beside the table (ELF only).
  EXPECT_FALSE(expected.count(orbisk::link::kReplaceClockSymbol));
  expected.insert(orbisk::link::kReplaceClockSymbol);
  std::set<std::string> actual = DefinedDynamicSymbols(ORBISKPRO_LIBRARY);
  EXPECT_EQ(actual, expected);
  // Every export the agent binds, with its argument size.
  for (const char* name : {
#define AGENT_EXPORT(name, bytes, arguments, kind, dispatcher) ORBISK_SYMBOL_TEXT(name, bytes),
#include "agent/acquisition/bound_exports.def"
#undef AGENT_EXPORT
       }) {
    EXPECT_TRUE(actual.count(name)) << name;
  }
}

TEST(ApiSymbols, DllVersion) {
  EXPECT_FLOAT_EQ(GetDllVersion_O(), 2.42f);
}

TEST(ApiBeforeOpen, ExportsThatReachTheTransportFailCleanly) {
  EXPECT_EQ(ClearReceiveBuffer_O(), -32701);
  EXPECT_EQ(SetCommTimeoutVal_O(10, 10), -32701);
  EXPECT_EQ(SetOrbiskTimeoutVal_O(5), -32701);
  EXPECT_EQ(PutSerialStr_O("x"), -32701);
  EXPECT_EQ(PutSerialChar_O('x'), -32701);
  EXPECT_EQ(GetSerialChar_O(), -1);
  EXPECT_EQ(InitStation_O(), -32701);
  EXPECT_EQ(ClearOrbiskHighs_O(), -32701);
  EXPECT_EQ(CloseCommPort_O(), 0);
  EXPECT_EQ(SetNewBaud_O(57600), -32707);
  EXPECT_EQ(GetStationFirmwareDate_O(nullptr), -32706);
  EXPECT_EQ(GetReceptionData_O(nullptr), -32706);
}

}  // namespace
