#pragma once
// The history tags (Histo_<period>_<quantity>_<statistic>) computed from stored records:
// lows and highs with their dates, means and totals over the last hour, 24 hours, 7 and 30
// days and the calendar year so far, in the number forms of the live tags.

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "agent/history/archive_store.h"
#include "agent/history/history_record.h"

namespace agent {

class HistoryTags {
 public:
  explicit HistoryTags(const HistoryClock& clock);

  // Records in time order; those outside every period are skipped.
  void Add(const HistoryRecord& record);
  // Every history tag and its text ("---" for a period without a value).
  std::vector<std::pair<std::string, std::string>> Texts(const StoreExtent& extent) const;

  // Every history tag name, in the order of Texts.
  static std::vector<std::string> Names();

 private:
  struct Statistic {
    double best = 0;           // lowest or highest so far
    std::int64_t reading = 0;  // when it was reached (the record's local stamp)
    double sum = 0;
    std::int64_t count = 0;
  };
  static constexpr std::size_t kPeriodCount = 5;
  static constexpr std::size_t kStatisticCount = 14;

  HistoryClock clock_;
  std::int64_t year_start_reading_ = 0;
  std::array<std::array<Statistic, kStatisticCount>, kPeriodCount> periods_{};
};

}  // namespace agent
