#include "stationlib/data/forecast.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace orbisk::data {
namespace {

constexpr std::uint8_t kEnd = 255;

struct Phrase {
  int number;
  std::string_view text;
};

// The console's forecast phrases, by their phrase number.
constexpr Phrase kPhrases[] = {
    {0, " Mostly clear and cooler. "},
    {1, " Mostly clear with little temperature change. "},
    {2, " Mostly clear for 12 hours with little temperature change. "},
    {3, " Mostly clear for 12 to 24 hours and cooler. "},
    {4, " Mostly clear and warmer. "},
    {5, " Mostly clear for 6 to 12 hours with little temperature change. "},
    {6, " Mostly clear for 12 to 24 hours with little temperature change. "},
    {11, " Increasing clouds and warmer. "},
    {12, " Increasing clouds with little temperature change. "},
    {13, " Increasing clouds and cooler. "},
    {14, " Clearing and cooler. "},
    {15, " Clearing, cooler and windy. "},
    {18, " Mostly cloudy and cooler. "},
    {19, " Mostly cloudy with little temperature change. "},
    {20, " FORECAST REQUIRES 3 HOURS OF RECENT DATA. "},
    {21, "Precipitation continuing. "},
    {22, "Precipitation continuing, possibly heavy at times. "},
    {23, "Precipitation likely. "},
    {24, "Precipitation likely, possibly heavy at times. "},
    {25, "Precipitation ending within 6 hours "},
    {26, "Precipitation ending within 12 hours "},
    {27, "Precipitation possibly heavy at times and ending within 12 hours "},
    {28, "Precipitation ending in 12 to 24 hours "},
    {29, "Precipitation possible within 6 hours "},
    {30, "Precipitation possible and windy within 6 hours "},
    {32, "Precipitation possible within 6 to 12 hours, possibly heavy at times. "},
    {33, "Precipitation possible within 6 to 12 hours "},
    {34, "Precipitation possible within 12 hours "},
    {35, "Precipitation possible within 12 hours, possibly heavy at times. "},
    {38, "Precipitation possible within 12 to 24 hours "},
    {39, "Precipitation possible within 24 hours "},
    {40, "Precipitation possible within 24 to 48 hours "},
    {41, "Precipitation possible within 48 hours "},
    {43, "Increasing winds. "},
    {44, "Windy. "},
    {45, "Possible wind shift to the W, NW, or N. "},
    {46, "Windy with possible wind shift to the W, NW, or N. "},
    {47, " Partly cloudy and cooler. "},
    {48, " Partly cloudy with little temperature change. "},
};

constexpr int kNoDataPhrase = 20;

using Triple = std::array<std::uint8_t, 3>;
constexpr Triple kTriples[] = {
    {0, kEnd, kEnd},  {1, kEnd, kEnd},  {2, kEnd, kEnd},  {3, kEnd, kEnd},  {1, kEnd, kEnd},
    {0, kEnd, kEnd},  {2, kEnd, kEnd},  {4, kEnd, kEnd},  {11, 40, kEnd},   {12, 39, kEnd},
    {1, kEnd, kEnd},  {12, 34, kEnd},   {11, 39, kEnd},   {4, 43, kEnd},    {11, 34, 43},
    {4, 43, kEnd},    {11, kEnd, kEnd}, {11, 34, 43},     {4, 41, kEnd},    {4, kEnd, kEnd},
    {12, 40, kEnd},   {12, kEnd, kEnd}, {11, 38, kEnd},   {11, 38, 44},     {11, 33, kEnd},
    {11, 33, 44},     {11, 38, 44},     {11, 34, kEnd},   {11, 23, kEnd},   {5, kEnd, kEnd},
    {6, kEnd, kEnd},  {14, 25, kEnd},   {12, 39, kEnd},   {18, 21, kEnd},   {18, 23, kEnd},
    {19, 21, kEnd},   {19, 23, kEnd},   {13, 30, kEnd},   {12, 30, kEnd},   {18, 21, 43},
    {18, 23, 43},     {19, 21, 43},     {19, 23, 43},     {13, 38, 45},     {12, 38, 45},
    {13, 29, 45},     {12, 29, 45},     {18, 26, 45},     {18, 45, kEnd},   {19, 26, 45},
    {19, 45, kEnd},   {18, 39, 45},     {19, 39, 45},     {15, 25, kEnd},   {15, kEnd, kEnd},
    {18, 25, 46},     {18, 46, kEnd},   {19, 34, 44},     {13, 35, 44},     {18, 25, 44},
    {18, 34, 44},     {18, 28, kEnd},   {18, kEnd, kEnd}, {18, 22, 44},     {18, 33, 44},
    {19, 22, 44},     {19, 33, 44},     {12, 35, 44},     {18, 44, kEnd},   {18, 22, 44},
    {18, 24, 44},     {19, 22, 44},     {19, 24, 44},     {13, 29, 44},     {12, 29, 44},
    {18, 21, 46},     {18, 23, 46},     {19, 21, 46},     {19, 23, 46},     {13, 29, 46},
    {13, 29, 45},     {12, 29, 46},     {12, 29, 45},     {13, 38, 46},     {12, 38, 46},
    {18, 27, 46},     {18, 32, 46},     {19, 26, 46},     {19, 32, 46},     {18, 21, kEnd},
    {19, 21, kEnd},   {19, 23, kEnd},   {18, 35, 44},     {20, kEnd, kEnd}, {47, kEnd, kEnd},
    {48, kEnd, kEnd},
};
static_assert(std::size(kTriples) == 96);

// Forecast rule number -> phrase triple.
constexpr std::uint8_t kRules[] = {
    0,  1,  2,  3,  4,  94, 95, 95, 7,  95, 95, 1,  8,  95, 1,  9,  10, 95, 1,  11, 10, 95, 1,
    12, 13, 95, 1,  14, 15, 16, 95, 1,  14, 13, 16, 95, 1,  17, 95, 1,  18, 19, 95, 1,  20, 21,
    95, 1,  22, 95, 1,  23, 95, 1,  23, 95, 1,  24, 95, 1,  25, 95, 1,  26, 95, 1,  27, 95, 1,
    28, 31, 95, 31, 1,  31, 94, 95, 0,  31, 1,  31, 0,  95, 1,  32, 33, 95, 1,  34, 35, 36, 95,
    1,  37, 38, 39, 95, 1,  40, 41, 42, 95, 1,  43, 44, 95, 1,  45, 46, 47, 48, 49, 50, 47, 95,
    1,  51, 49, 52, 53, 54, 55, 56, 54, 95, 1,  57, 95, 1,  58, 59, 95, 1,  60, 61, 62, 63, 95,
    1,  64, 65, 95, 1,  66, 95, 1,  67, 68, 69, 95, 1,  70, 71, 72, 95, 1,  73, 74, 75, 95, 1,
    76, 77, 78, 79, 95, 1,  80, 81, 82, 95, 1,  79, 81, 95, 1,  83, 84, 85, 95, 1,  86, 87, 88,
    89, 95, 1,  76, 90, 91, 95, 1,  92, 93, 0,  0,  0,  0,  0,  0,
};
static_assert(std::size(kRules) == 200);

std::string_view PhraseText(int number) {
  for (const Phrase& p : kPhrases)
    if (p.number == number) return p.text;
  return {};
}

}  // namespace

std::string ForecastRuleText(int rule) {
  if (rule < 0 || rule >= static_cast<int>(std::size(kRules)))
    return std::string(PhraseText(kNoDataPhrase));
  std::string text;
  for (std::uint8_t number : kTriples[kRules[rule]]) {
    if (number == kEnd) break;
    text += PhraseText(number);
  }
  return text;
}

std::string ForecastIconText(int icon) {
  switch (icon) {
    case 2:
      return "Mostly cloudy";
    case 3:
      return "Mostly cloudy, Rain possible or continuing";
    case 6:
      return "Partialy cloudy";
    case 7:
      return "Partialy cloudy, Rain possible or continuing";
    case 8:
      return "Mostly clear";
    case 18:
      return "Mostly cloudy, Snow possible or continuing";
    case 19:
      return "Mostly cloudy, Rain and/or snow possible or continuing";
    case 22:
      return "Partialy cloudy, Snow possible or continuing";
    case 23:
      return "Partialy cloudy, Rain and/or snow possible or continuing";
    default:
      return std::string(PhraseText(kNoDataPhrase));
  }
}

}  // namespace orbisk::data
