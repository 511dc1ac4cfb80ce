// Station replies: every console exchange of the library (LOOP, LPS, HILOWS,
// EEBRD blocks, CALED, RXCHECK, VER, NVER, BARDATA, GETTIME, the writes and
// clears) over a scripted console, then every store read back.
#include <memory>

#include "tests/fuzz/scripted_console.h"
#include "tests/fuzz/station_calls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const auto& table = fuzz::StationExports();
  const std::vector<fuzz::Call> calls = fuzz::TakeCalls(table, input);
  fuzz::RunCalls(table, calls, std::make_unique<fuzz::ScriptedConsole>(input));
  return 0;
}
