#pragma once
// The console's archive kept as history: one SQLite database, one row per archive record in
// metric units (NULL where the console had no value), keyed by the UTC end of its period.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"

struct sqlite3;

namespace agent {

// The measured columns of the `archive` table, in the order of ArchiveRow::measures.
inline constexpr const char* kMeasureColumns[] = {
    "temp_out_c",    "temp_out_hi_c",  "temp_out_lo_c",   "temp_in_c",         "hum_out",
    "hum_in",        "pressure_hpa",   "rain_mm",         "rain_rate_hi_mm_h", "wind_avg_kmh",
    "wind_hi_kmh",   "wind_dir_deg",   "wind_hi_dir_deg", "solar_wm2",         "uv",
    "et_mm",         "extra_temp_1_c", "extra_temp_2_c",  "extra_temp_3_c",    "extra_hum_1",
    "extra_hum_2",   "soil_temp_1_c",  "soil_temp_2_c",   "soil_temp_3_c",     "soil_temp_4_c",
    "leaf_temp_1_c", "leaf_temp_2_c",  "soil_moist_1",    "soil_moist_2",      "soil_moist_3",
    "soil_moist_4",  "leaf_wet_1",     "leaf_wet_2"};
inline constexpr std::size_t kMeasureCount = std::size(kMeasureColumns);

struct ArchiveRow {
  std::int64_t time_utc = 0;  // seconds since 1970 at the end of the record's period
  std::string local_time;     // "YYYY-MM-DD HH:MM", as the console stamped it
  int interval_min = 0;
  std::array<std::optional<double>, kMeasureCount> measures;
};

// The newest stored record: where the next download starts.
struct StoredEnd {
  std::int64_t time_utc = 0;
  std::string local_time;
};

// How many records the store holds, and the stamps of the oldest and newest.
struct StoreExtent {
  std::int64_t count = 0;
  std::string oldest_local;
  std::string newest_local;
};

// One stored record as a reader asked for it: the values of the columns asked, in their
// order, NaN where NULL.
using RecordVisitor = std::function<void(std::int64_t time_utc, std::string_view local_time,
                                         int interval_min, std::span<const double> values)>;

enum class StoreOutcome { kDone, kFull, kFailed };

struct AppendResult {
  StoreOutcome outcome = StoreOutcome::kDone;
  int added = 0;        // rows written (the others were stored already)
  std::string message;  // SQLite's own words on a failure
};

class ArchiveStore {
 public:
  ArchiveStore() = default;
  ArchiveStore(const ArchiveStore&) = delete;
  ArchiveStore& operator=(const ArchiveStore&) = delete;
  ~ArchiveStore() { Close(); }

  // Opens the store at `path` unless it is open there already. A file that is no store of
  // ours (not a database, damaged, another schema) is renamed aside, its new name put in
  // `set_aside`, and a new store is started. False, with SQLite's words in `error`, when no
  // store can be opened.
  bool Open(platform::Env& env, const std::string& path, std::string& set_aside,
            std::string& error);
  bool IsOpen() const { return db_ != nullptr; }
  void Close();

  std::optional<StoredEnd> Newest();
  std::optional<StoreExtent> Extent();
  // Visits the records whose period ends in (after_utc, until_utc], oldest first, with the
  // `columns` asked (names of kMeasureColumns): one range read of the primary key. False,
  // with SQLite's words in `error`, when the store cannot be read.
  bool Visit(std::int64_t after_utc, std::int64_t until_utc, std::span<const char* const> columns,
             const RecordVisitor& visit, std::string& error);
  // Writes `rows` in one transaction: all of them or none. A failure other than a full disk
  // closes the store, so the next Open checks the file again.
  AppendResult Append(const std::vector<ArchiveRow>& rows);

  // The most pages the database may take: what a full disk looks like, for tests.
  void LimitPages(std::int64_t pages);

 private:
  enum class Check { kOurs, kForeign, kUnopenable };
  Check OpenChecked(const std::string& path, std::string& error);

  sqlite3* db_ = nullptr;
  std::string path_;
};

}  // namespace agent
