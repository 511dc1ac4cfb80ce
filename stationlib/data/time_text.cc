#include "stationlib/data/time_text.h"

#include <cstdio>

namespace orbisk::data {

std::string MinuteOfDayText(int minutes) {
  if (minutes == -1) return "----";
  const int hour = minutes / 60;
  const int minute = minutes % 60;
  char text[32];
  if (hour == 0) {
    std::snprintf(text, sizeof text, "12%c%02da", ':', minute);
  } else if (hour == 24) {
    std::snprintf(text, sizeof text, "12%c%02dm", ':', minute);
  } else if (hour >= 13) {
    std::snprintf(text, sizeof text, "%2d%c%02dp", hour - 12, ':', minute);
  } else {
    std::snprintf(text, sizeof text, "%2d%c%02d%c", hour, ':', minute, hour == 12 ? 'p' : 'a');
  }
  return text;
}

}  // namespace orbisk::data
