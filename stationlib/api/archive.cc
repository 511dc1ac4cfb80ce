// Archive family: the archive period, the console's archive dump and the web
// data service download, the record count and the decoded records.
#include <cstdint>
#include <cstdio>
#include <optional>

#include "stationlib/api/OrbiskPro.h"
#include "stationlib/api/data_families.h"
#include "stationlib/api/family_functions.h"
#include "stationlib/data/archive_record.h"
#include "stationlib/data/serial_download.h"
#include "stationlib/data/web_download.h"

namespace orbisk::api {
namespace {

using archive::ArchiveDate;
using archive::ArchiveStamps;
using archive::GetArchiveState;

constexpr std::int32_t kNoAnswerCount =
    2;  // what the count queries report when the console is silent
constexpr unsigned kArchivePeriodAddress = 45;

ArchiveDate DateFrom(const std::int32_t* d) {
  return {d[0], d[1], d[2], d[3], d[4]};
}

archive::RecordContext RecordContext() {
  const data::LibraryState& s = data::GetLibraryState();
  const link::FeatureFlags& f = link::Features();
  return {s.units, s.rain.model, f.station_identified && !f.no_bar_trend,
          GetArchiveState().period_minutes, GetArchiveState().expected_wind_samples};
}

// The request of the count queries: the header, or nothing when the console
// does not answer. The transfer itself is not wanted.
std::optional<archive::DumpHeader> CountRequest(const ArchiveStamps& stamps) {
  if (!link::WakeUp()) return std::nullopt;
  std::optional<archive::DumpHeader> header = archive::RequestDump(stamps);
  if (header) archive::EscapeTransfer();
  return header;
}

template <class Record, class Decode>
int32_t HandOut(void* record, int32_t index, Decode decode) {
  if (record == nullptr) return kBufferMissing;
  const std::uint8_t* bytes = GetArchiveState().store.Record(index);
  if (bytes == nullptr) return kInvalidArgument;
  decode(bytes, RecordContext(), *static_cast<Record*>(record));
  return kSuccess;
}

}  // namespace

int32_t GetArchivePeriod(void) {
  std::uint8_t minutes = 0;
  if (link::EepromRead(kArchivePeriodAddress, 1, &minutes) != 0) return kCommFailure;
  return minutes;
}

int32_t SetArchivePeriod(int32_t minutes) {
  switch (minutes) {
    case 1:
    case 5:
    case 10:
    case 15:
    case 30:
    case 60:
    case 120:
      break;
    default:
      return data::kFail;
  }
  if (!link::WakeUp()) return kCommFailure;
  char command[24];
  std::snprintf(command, sizeof command, "SETPER %d\n", static_cast<int>(minutes));
  if (link::SendText(command) != 0 || !link::ExpectOk()) return kCommFailure;
  // A new period erases the console's archive.
  return ClearStoredData() == kSuccess ? kSuccess : kCommFailure;
}

int32_t DownloadData(int32_t minute, int32_t hour, int32_t day, int32_t month, int32_t year) {
  archive::ArchiveState& state = GetArchiveState();
  const std::int32_t period = GetArchivePeriod();
  if (period < 0) return period;
  std::int16_t tx[16] = {};
  if (const std::int32_t r = GetOrbiskTxConfig(tx); r != kSuccess) return r;
  std::int16_t types[8];
  for (int i = 0; i < 8; ++i) types[i] = tx[i];
  state.period_minutes = period;
  state.expected_wind_samples = archive::ExpectedWindSamples(period, archive::WindSensorSlot(types),
                                                             link::Features().new_firmware);

  const std::optional<ArchiveStamps> stamps = archive::StampsFor({minute, hour, day, month, year});
  if (!stamps) return kInvalidArgument;
  if (!link::WakeUp()) return kCommFailure;
  state.store.Reset();
  const std::optional<archive::DumpHeader> header = archive::RequestDump(*stamps);
  if (!header) return kCommFailure;
  if (header->pages == 0) return 0;
  return archive::TransferPages(*header, state.store);
}

int32_t GetNumberOfArchiveRecords(void) {
  return GetArchiveState().store.Count();
}

int32_t GetMemoryArchiveRecordCount(void) {
  const std::optional<archive::DumpHeader> header = CountRequest({});
  if (!header) return kNoAnswerCount;
  return header->pages * archive::kRecordsPerPage - header->first_index;
}

int32_t GetMemoryArchiveCountAfterDate(int32_t* date) {
  if (date == nullptr) return kInvalidArgument;
  const std::optional<ArchiveStamps> stamps = archive::StampsFor(DateFrom(date));
  if (!stamps) return kInvalidArgument;
  const std::optional<archive::DumpHeader> header = CountRequest(*stamps);
  return header ? header->pages : kNoAnswerCount;
}

int32_t GetArchiveRecord(void* record, int32_t index) {
  return HandOut<OrbiskArchiveRecord>(record, index, archive::DecodeRecord);
}

int32_t GetArchiveRecordEx(void* record, int32_t index) {
  if (record == nullptr) return kBufferMissing;
  if (!link::Features().station_identified || GetArchiveState().store.Count() < 1)
    return kNoDataLoaded;
  return HandOut<OrbiskArchiveRecordEx>(record, index, archive::DecodeRecordEx);
}

int32_t DownloadWebData(int32_t minute, int32_t hour, int32_t day, int32_t month, int32_t year,
                        const char* account, const char* password) {
  archive::HttpWebClient client;
  return archive::DownloadWeb({minute, hour, day, month, year}, account ? account : "",
                              password ? password : "", client, GetArchiveState());
}

}  // namespace orbisk::api
