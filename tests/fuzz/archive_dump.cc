// The console's archive dump: the DMPAFT header and pages over a scripted
// console, then every counted record decoded in both record forms.
#include <memory>

#include "stationlib/api/OrbiskPro.h"  // before the functions: the record types are the exported ones
#include "stationlib/api/family_functions.h"
#include "stationlib/data/archive_record.h"
#include "tests/fuzz/scripted_console.h"
#include "tests/fuzz/station_calls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const auto& table = fuzz::ArchiveExports();
  const std::vector<fuzz::Call> calls = fuzz::TakeCalls(table, input);
  fuzz::RunCalls(table, calls, std::make_unique<fuzz::ScriptedConsole>(input));
  // Exact-size records: a decoder that writes past its record is caught.
  auto record = std::make_unique<OrbiskArchiveRecord>();
  auto record_ex = std::make_unique<OrbiskArchiveRecordEx>();
  const std::int32_t count = orbisk::api::GetNumberOfArchiveRecords();
  for (std::int32_t i = -1; i <= count + 1; ++i) {
    orbisk::api::GetArchiveRecord(record.get(), i);
    orbisk::api::GetArchiveRecordEx(record_ex.get(), i);
  }
  return 0;
}
