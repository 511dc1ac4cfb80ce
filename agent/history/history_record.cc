#include "agent/history/history_record.h"

#include <algorithm>

#include "agent/history/local_stamps.h"

namespace agent {

HistoryClock HistoryClockOf(platform::Env& env) {
  HistoryClock clock;
  clock.now_utc = env.SecondsSince1970();
  clock.now_reading = ReadingSeconds(env.Now());
  // The two reads may straddle a second; zones are whole quarter hours.
  const std::int64_t offset = (clock.Offset() + 86400 + 450) / 900 * 900 - 86400;
  clock.now_reading = clock.now_utc + offset;
  return clock;
}

double DewPointC(double temp_c, double humidity) {
  if (std::isnan(temp_c) || std::isnan(humidity) || humidity < 1.0 || humidity > 100.0)
    return std::nan("");
  const double vapour = humidity * 0.01 * 6.112 * std::exp(17.62 * temp_c / (243.12 + temp_c));
  const double l = std::log(vapour);
  return std::min(temp_c, (243.12 * l - 440.1) / (19.43 - l));
}

}  // namespace agent
