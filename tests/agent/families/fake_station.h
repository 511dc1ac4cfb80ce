#pragma once
// An in-process station library for the family tests: every export the
// families call, under its exact prototype, answering from tables the test
// sets. Not thread-safe: one test drives it at a time.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "agent/acquisition/station_library.h"
#include "agent/catalogue/date_time_record.h"
#include "agent/families/family_slots.h"

namespace agent::testing {

struct FakeStation {
  std::int32_t load_result = 0;  // of the Load* exports
  std::map<std::string, float> floats;          // no-argument float getters, by export name
  std::map<std::string, std::int32_t> numbers;  // no-argument number getters
  std::map<std::int32_t, float> by_id;           // GetCurrentDataByID
  std::map<std::int32_t, std::string> text_by_id; // GetCurrentDataStrByID
  std::map<std::int32_t, float> hi_low;          // GetHiLowDataByID (absent: dashed)
  std::map<std::int32_t, DateTimeRecord> hi_low_time;
  DateTimeRecord station_time{7, 9, 5, 3, 2010};
  DateTimeRecord sunrise{12, 7, 5, 3, 2010};
  DateTimeRecord sunset{45, 18, 5, 3, 2010};
  bool sun_times_dashed = false;  // the library leaves the records alone
  TimeZoneRecord time_zone;
  std::int32_t reception[5] = {};
  DateTimeRecord firmware_date{0, 0, 22, 4, 2009};
  PositionRecord latitude, longitude;
  std::int16_t transmitters[16] = {};
  std::string firmware_version = "1.90";
  std::int32_t record_result = 0;  // of the record reads
  std::vector<std::string> calls;  // export names, in order
};

// The station the exports answer for, fresh after InstallFakeStation().
FakeStation& Station();
std::unique_ptr<ExportSource> InstallFakeStation();
int CallCount(const std::string& export_name);

}  // namespace agent::testing
