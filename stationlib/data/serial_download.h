// The console's archive dump ("DMPAFT"): the request with its retries, the
// page transfer with acknowledgements, and the record count of the pages.
#pragma once

#include <cstdint>
#include <optional>

#include "stationlib/data/archive_date.h"
#include "stationlib/data/archive_store.h"

namespace orbisk::archive {

inline constexpr std::size_t kPageSize = 267;  // sequence number, five records, 4 spare, checksum

struct DumpHeader {
  int pages = 0;
  int first_index = 0;
};

// Sends "DMPAFT" and the stamps (at most 3 attempts) and reads the 6-byte
// header. Nothing when the console never acknowledged or answered. The
// console then waits for an acknowledgement per page, or an escape.
std::optional<DumpHeader> RequestDump(const ArchiveStamps& stamps);

// Ends a transfer the console is waiting to send.
void EscapeTransfer();

// Transfers the pages announced by `header` into `store` and counts the
// records: the count, or kOutOfMemory when the pages cannot be held (the transfer
// is then ended with an escape). Pages with a bad checksum, a wrong sequence
// number or a read time-out are left out and the transfer goes on.
std::int32_t TransferPages(const DumpHeader& header, ArchiveStore& store);

// The transmitter slot (0-7) of the wind sensor from the station types of
// the transmitter configuration: the first of type 7, else the first of type
// 1, 6 or 11, else -1.
int WindSensorSlot(const std::int16_t (&types)[8]);

// Wind samples the console takes in one archive period.
int ExpectedWindSamples(int period_minutes, int slot, bool new_firmware);

}  // namespace orbisk::archive
