#include "agent/catalogue/wind_and_trend_texts.h"

#include <cctype>
#include <utility>

#include "agent/catalogue/value_catalogue.h"

namespace agent {
namespace {

using TextPair = std::pair<std::string_view, const char*>;

constexpr TextPair kSectors[] = {{"N", "Nord"},        {"NNE", "Nord / Nord-Est"},
                                 {"NE", "Nord-Est"},   {"ENE", "Est / Nord-Est"},
                                 {"E", "Est"},         {"ESE", "Est / Sud-Est"},
                                 {"SE", "Sud-Est"},    {"SSE", "Sud / Sud-Est"},
                                 {"S", "Sud"},         {"SSW", "Sud / Sud-Ouest"},
                                 {"SW", "Sud-Ouest"},  {"WSW", "Ouest / Sud-Ouest"},
                                 {"W", "Ouest"},       {"WNW", "Ouest / Nord-Ouest"},
                                 {"NW", "Nord-Ouest"}, {"NNW", "Nord / Nord-Ouest"}};

constexpr TextPair kTrends[] = {{"RISING", "En hausse"},
                                {"FALLING", "En baisse"},
                                {"STEADY", "Stable"},
                                {"RISING RAPIDLY", "Hausse rapide"},
                                {"FALLING RAPIDLY", "Baisse rapide"}};

}  // namespace

std::string WindSectorName(std::string_view abbreviation) {
  for (const auto& [key, name] : kSectors)
    if (key == abbreviation) return name;
  return kPlaceholderText;
}

std::string PressureTrendText(std::string_view trend) {
  std::string upper(trend);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const auto& [key, text] : kTrends)
    if (key == upper) return text;
  return upper;
}

}  // namespace agent
