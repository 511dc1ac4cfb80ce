#pragma once
#include <string>

namespace orbisk::data {

// Minutes since midnight as the console prints them: " 6:05a", "12:30p",
// "12:00m" for hour 24; -1 prints "----".
std::string MinuteOfDayText(int minutes);
// A stored hour x 100 + minute word as minutes since midnight.
constexpr int HhmmToMinutes(int hhmm) {
  return (hhmm / 100) * 60 + hhmm % 100;
}

}  // namespace orbisk::data
