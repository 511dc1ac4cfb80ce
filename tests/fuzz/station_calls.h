// The station library's exports, called with arguments read from a fuzz
// input: whole numbers and floats from its bytes, every record or buffer a
// zeroed heap block (its first bytes from the input), and every (text buffer,
// length) pair a block that ends exactly at the given length, so that
// AddressSanitizer sees any overrun.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stationlib/link/comm_protocol.h"
#include "tests/fuzz/fuzz_input.h"

namespace fuzz {

struct ExportCall {
  const char* name;
  void (*invoke)(FuzzInput& arguments);
  bool plain_getter;  // "Get..." without arguments: read once more after the calls
};

// Every export that talks to the console or reads the library's stores;
// left out are the ones that open or close real links, sleep, or go to the
// web (the web download has a target of its own).
const std::vector<ExportCall>& StationExports();
// The archive family and the station family (its initialisation sets the
// firmware flags the archive records depend on).
const std::vector<ExportCall>& ArchiveExports();

struct Call {
  std::size_t index;      // in the table
  std::string arguments;  // the bytes the arguments are read from
};

// The calls at the head of a station input:
//   count byte (1 + count % 4 calls), then per call the export index (2 bytes,
//   low first, modulo the table) and the argument bytes (a length byte, then
//   the bytes). The input is left at the console's turns (scripted_console.h).
std::vector<Call> TakeCalls(const std::vector<ExportCall>& table, FuzzInput& input);
// The same calls written as an input head, for the seed capture.
std::string EncodeCalls(const std::vector<Call>& calls);
// The index of an export in the table (the seed capture names them).
std::size_t ExportIndex(const std::vector<ExportCall>& table, const std::string& name);
std::string Int32Argument(std::int32_t value);

// Resets the library, makes `console` the active link, makes the calls, then
// reads the stores through every plain getter of the table.
void RunCalls(const std::vector<ExportCall>& table, const std::vector<Call>& calls,
              std::unique_ptr<orbisk::link::CommProtocol> console);

}  // namespace fuzz
