// The console's forecast sentences, as it builds them from its rule table,
// turned into rule codes.
#include "agent/catalogue/forecast_codes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace agent {
namespace {

// The console's phrases and how its 200 rules pick them (phrase triples).
const std::map<int, std::string> kPhrases = {
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
    {48, " Partly cloudy with little temperature change. "}};

const std::vector<std::vector<int>> kTriples = {
    {0},          {1},          {2},          {3},          {4},          {0},
    {2},          {4},          {11, 40},     {12, 39},     {1},          {12, 34},
    {11, 39},     {4, 43},      {11, 34, 43}, {4, 43},      {11},         {11, 34, 43},
    {4, 41},      {4},          {12, 40},     {12},         {11, 38},     {11, 38, 44},
    {11, 33},     {11, 33, 44}, {11, 38, 44}, {11, 34},     {11, 23},     {5},
    {6},          {14, 25},     {12, 39},     {18, 21},     {18, 23},     {19, 21},
    {19, 23},     {13, 30},     {12, 30},     {18, 21, 43}, {18, 23, 43}, {19, 21, 43},
    {19, 23, 43}, {13, 38, 45}, {12, 38, 45}, {13, 29, 45}, {12, 29, 45}, {18, 26, 45},
    {18, 45},     {19, 26, 45}, {19, 45},     {18, 39, 45}, {19, 39, 45}, {15, 25},
    {15},         {18, 25, 46}, {18, 46},     {19, 34, 44}, {13, 35, 44}, {18, 25, 44},
    {18, 34, 44}, {18, 28},     {18},         {18, 22, 44}, {18, 33, 44}, {19, 22, 44},
    {19, 33, 44}, {12, 35, 44}, {18, 44},     {18, 22, 44}, {18, 24, 44}, {19, 22, 44},
    {19, 24, 44}, {13, 29, 44}, {12, 29, 44}, {18, 21, 46}, {18, 23, 46}, {19, 21, 46},
    {19, 23, 46}, {13, 29, 46}, {13, 29, 45}, {12, 29, 46}, {12, 29, 45}, {13, 38, 46},
    {12, 38, 46}, {18, 27, 46}, {18, 32, 46}, {19, 26, 46}, {19, 32, 46}, {18, 21},
    {19, 21},     {19, 23},     {18, 35, 44}, {20},         {47},         {48}};

const int kRules[200] = {
    0,  1,  2,  3,  4,  94, 95, 95, 7,  95, 95, 1,  8,  95, 1,  9,  10, 95, 1,  11, 10, 95, 1,
    12, 13, 95, 1,  14, 15, 16, 95, 1,  14, 13, 16, 95, 1,  17, 95, 1,  18, 19, 95, 1,  20, 21,
    95, 1,  22, 95, 1,  23, 95, 1,  23, 95, 1,  24, 95, 1,  25, 95, 1,  26, 95, 1,  27, 95, 1,
    28, 31, 95, 31, 1,  31, 94, 95, 0,  31, 1,  31, 0,  95, 1,  32, 33, 95, 1,  34, 35, 36, 95,
    1,  37, 38, 39, 95, 1,  40, 41, 42, 95, 1,  43, 44, 95, 1,  45, 46, 47, 48, 49, 50, 47, 95,
    1,  51, 49, 52, 53, 54, 55, 56, 54, 95, 1,  57, 95, 1,  58, 59, 95, 1,  60, 61, 62, 63, 95,
    1,  64, 65, 95, 1,  66, 95, 1,  67, 68, 69, 95, 1,  70, 71, 72, 95, 1,  73, 74, 75, 95, 1,
    76, 77, 78, 79, 95, 1,  80, 81, 82, 95, 1,  79, 81, 95, 1,  83, 84, 85, 95, 1,  86, 87, 88,
    89, 95, 1,  76, 90, 91, 95, 1,  92, 93, 0,  0,  0,  0,  0,  0};

std::vector<std::string> Fields(const std::string& codes) {
  std::vector<std::string> fields;
  std::size_t from = 0;
  for (std::size_t at; (at = codes.find(';', from)) != std::string::npos; from = at + 1)
    fields.push_back(codes.substr(from, at - from));
  EXPECT_EQ(from, codes.size()) << "every code ends with ';': " << codes;
  return fields;
}

TEST(ForecastCodesTest, EveryRuleTextGivesOneCodePerPhrase) {
  for (int rule = 0; rule < 200; ++rule) {
    const std::vector<int>& triple = kTriples.at(kRules[rule]);
    std::string text;
    for (int phrase : triple) text += kPhrases.at(phrase);
    std::vector<std::string> codes = Fields(ForecastTextToCodes(text));
    ASSERT_EQ(codes.size(), triple.size()) << "rule " << rule << ": " << text;
    for (const std::string& code : codes) {
      int number = std::stoi(code);
      EXPECT_GE(number, 1) << text;
      EXPECT_LE(number, 41) << text;
    }
  }
}

TEST(ForecastCodesTest, KnownSentencesAndTheirCodes) {
  EXPECT_EQ(ForecastTextToCodes("Mostly clear and cooler. Precipitation likely. "), "1;18;");
  EXPECT_EQ(ForecastTextToCodes("Mostly clear and cooler. Precipitation likely."), "1;18;");
  EXPECT_EQ(ForecastTextToCodes(" FORECAST REQUIRES 3 HOURS OF RECENT DATA. "), "15;");
  EXPECT_EQ(ForecastTextToCodes("Windy."), "35;");
  // The inner period of the table's sentence is not in the console's text.
  EXPECT_EQ(ForecastTextToCodes(" Mostly clear for 12 hours with little temperature change. "),
            "3;");
  EXPECT_EQ(ForecastTextToCodes("Mostly clear for 12 hours. with little temperature change. "),
            "3;");
  // A phrase without its period runs into the next one and both are found.
  EXPECT_EQ(ForecastTextToCodes(" Increasing clouds and warmer. Precipitation possible within 24 "
                                "to 48 hours "),
            "8;32;");
  EXPECT_EQ(ForecastTextToCodes("Precipitation possible within 6 hours Windy. "), "24;35;");
  EXPECT_EQ(ForecastTextToCodes("Windy with possible wind shift to the W, NW, or N. "), "37;");
}

TEST(ForecastCodesTest, UnknownTextGivesNoCode) {
  EXPECT_EQ(ForecastTextToCodes(""), "");
  EXPECT_EQ(ForecastTextToCodes("-32704"), "");
  EXPECT_EQ(ForecastTextToCodes("Sunny. Cloudy. "), "");
  EXPECT_EQ(ForecastTextToCodes("Sunny. Windy. "), "35;");
}

}  // namespace
}  // namespace agent
