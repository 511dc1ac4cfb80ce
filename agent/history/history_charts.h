#pragma once
// The history charts: SVG files drawn from stored records, with nothing outside the file (no
// script, no link, no web font), French titles and labels, a viewBox so a page scales them,
// and a gap in the data left open. Temperature and dew point, humidity, pressure, wind, rain
// (bars) and sun over 24 hours, 7 and 30 days; daily lows and highs over a year and the rain
// of each of the last twelve months.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "agent/history/history_record.h"

namespace agent {

struct ChartFile {
  std::string name;  // "graph_temperature_24h.svg"
  std::string svg;
};

// From the instant `since` on, the local clock read `seconds` ahead of UTC.
struct ClockOffset {
  std::int64_t since = 0;
  std::int64_t seconds = 0;
};

class HistoryCharts {
 public:
  explicit HistoryCharts(const HistoryClock& clock);

  // Records in time order, from a year and a day before the present on.
  void Add(const HistoryRecord& record);
  std::vector<ChartFile> Draw() const;

  // The plot area every chart draws in, in viewBox units.
  static constexpr double kLeft = 60, kTop = 60, kWidth = 600, kHeight = 300;
  // The quantities the line charts show, read from each record (ChartSource in the .cc).
  static constexpr std::size_t kSourceCount = 8;

 private:
  static constexpr std::size_t kWindowCount = 3;  // 24h, 7j, 30j
  struct Bin {
    double sum = 0;
    double high = 0;
    int count = 0;
  };
  struct Total {
    double sum = 0;
    int count = 0;
  };
  struct LowHigh {
    double low = 0;
    double high = 0;
    int count = 0;
  };

  void AddToBins(std::size_t window, const HistoryRecord& record,
                 const std::array<double, kSourceCount>& values);

  HistoryClock clock_;
  std::int64_t hour_now_ = 0;   // local hours since 1970 of now
  std::int64_t day_now_ = 0;    // local days since 1970 of now
  std::int64_t month_now_ = 0;  // year x 12 + month - 1 of now
  std::int64_t interval_s_ = 300;
  // The record's day and month, kept while the day does not change.
  std::int64_t record_day_ = -1;
  std::int64_t record_month_ = 0;
  std::array<std::vector<Bin>, kWindowCount> bins_;
  std::array<Total, 24> hourly_rain_{};
  std::array<Total, 30> daily_rain_{};
  std::array<Total, 12> monthly_rain_{};
  std::vector<LowHigh> daily_temp_;  // the last 365 days
  // The offsets the records of the line charts were stamped with, oldest first: the time
  // labels of a week with a clock change fall on the local hours.
  std::vector<ClockOffset> offsets_;
};

}  // namespace agent
