// Decoding of one 52-byte archive record into the library's public record
// structures (OrbiskArchiveRecord, OrbiskArchiveRecordEx of OrbiskPro.h).
#pragma once

#include <cstdint>

#include "stationlib/api/OrbiskPro.h"
#include "stationlib/data/units.h"

namespace orbisk::archive {

struct RecordContext {
  data::Units units;
  int rain_model = 1;
  bool new_layout = true;  // firmware from 1 Mar 2002: the later sensor layout
  int period_minutes = 0;
  int expected_wind_samples = 0;
};

// "N" ... "NNW" for 0-15, "---" for anything else.
const char* DirectionText(int index);

void DecodeRecord(const std::uint8_t* record, const RecordContext& context,
                  OrbiskArchiveRecord& out);
void DecodeRecordEx(const std::uint8_t* record, const RecordContext& context,
                    OrbiskArchiveRecordEx& out);

}  // namespace orbisk::archive
