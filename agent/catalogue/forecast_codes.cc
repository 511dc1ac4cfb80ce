#include "agent/catalogue/forecast_codes.h"

#include <cctype>
#include <vector>

namespace agent {
namespace {

// Code n is the sentence at index n - 1. The console writes some of them
// without their inner period or without a final one, hence the matching by
// words with periods removed.
constexpr const char* kSentences[] = {
    "MOSTLY CLEAR AND COOLER.",
    "MOSTLY CLEAR WITH LITTLE TEMPERATURE CHANGE.",
    "MOSTLY CLEAR FOR 12 HOURS. WITH LITTLE TEMPERATURE CHANGE.",
    "MOSTLY CLEAR FOR 12 TO 24 HOURS. AND COOLER.",
    "MOSTLY CLEAR AND WARMER.",
    "MOSTLY CLEAR FOR 6 TO 12 HOURS. WITH LITTLE TEMPERATURE CHANGE.",
    "MOSTLY CLEAR FOR 12 TO 24 HOURS. WITH LITTLE TEMPERATURE CHANGE.",
    "INCREASING CLOUDS AND WARMER.",
    "INCREASING CLOUDS WITH LITTLE TEMPERATURE CHANGE.",
    "INCREASING CLOUDS AND COOLER.",
    "CLEARING AND COOLER.",
    "CLEARING, COOLER AND WINDY.",
    "MOSTLY CLOUDY AND COOLER.",
    "MOSTLY CLOUDY WITH LITTLE TEMPERATURE CHANGE.",
    "FORECAST NOT READY YET.",
    "PRECIPITATION CONTINUING.",
    "PRECIPITATION CONTINUING, POSSIBLY HEAVY AT TIMES.",
    "PRECIPITATION LIKELY.",
    "PRECIPITATION LIKELY, POSSIBLY HEAVY AT TIMES.",
    "PRECIPITATION ENDING WITHIN 6 HOURS.",
    "PRECIPITATION ENDING WITHIN 12 HOURS.",
    "PRECIPITATION POSSIBLY HEAVY AT TIMES AND ENDING WITHIN 12 HOURS.",
    "PRECIPITATION ENDING IN 12 TO 24 HOURS.",
    "PRECIPITATION POSSIBLE WITHIN 6 HOURS.",
    "PRECIPITATION POSSIBLE AND WINDY WITHIN 6 HOURS.",
    "PRECIPITATION POSSIBLE WITHIN 6 TO 12 HOURS, POSSIBLY HEAVY AT TIMES.",
    "PRECIPITATION POSSIBLE WITHIN 6 TO 12 HOURS.",
    "PRECIPITATION POSSIBLE WITHIN 12 HOURS.",
    "PRECIPITATION POSSIBLE WITHIN 12 HOURS, POSSIBLY HEAVY AT TIMES.",
    "PRECIPITATION POSSIBLE WITHIN 12 TO 24 HOURS.",
    "PRECIPITATION POSSIBLE WITHIN 24 HOURS.",
    "PRECIPITATION POSSIBLE WITHIN 24 TO 48 HOURS.",
    "PRECIPITATION POSSIBLE WITHIN 48 HOURS.",
    "INCREASING WINDS.",
    "WINDY.",
    "POSSIBLE WIND SHIFT TO THE W, NW, OR N.",
    "WINDY WITH POSSIBLE WIND SHIFT TO THE W, NW, OR N.",
    "PARTLY CLOUDY AND COOLER.",
    "PARTLY CLOUDY WITH LITTLE TEMPERATURE CHANGE.",
    "POSSIBLE WIND SHIFT TO THE W, SW, OR S.",
    "WINDY WITH POSSIBLE WIND SHIFT TO THE W, SW, OR S.",
};

// What the console says while its forecast is not ready: the same rule as 15.
constexpr const char* kNotReadySentence = "FORECAST REQUIRES 3 HOURS OF RECENT DATA.";
constexpr int kNotReadyCode = 15;

using Words = std::vector<std::string>;

// Upper case, periods removed, split at blanks.
Words NormalisedWords(std::string_view text) {
  Words words;
  std::string word;
  for (char c : text) {
    if (c == '.') continue;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
      continue;
    }
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

struct Sentence {
  Words words;
  int code;
};

const std::vector<Sentence>& SentenceTable() {
  static const std::vector<Sentence> kTable = [] {
    std::vector<Sentence> sentences;
    int code = 1;
    for (const char* text : kSentences) sentences.push_back({NormalisedWords(text), code++});
    sentences.push_back({NormalisedWords(kNotReadySentence), kNotReadyCode});
    return sentences;
  }();
  return kTable;
}

bool MatchesAt(const Words& text, std::size_t at, const Words& sentence) {
  if (at + sentence.size() > text.size()) return false;
  for (std::size_t i = 0; i < sentence.size(); ++i)
    if (text[at + i] != sentence[i]) return false;
  return true;
}

}  // namespace

std::string ForecastTextToCodes(std::string_view text) {
  const Words words = NormalisedWords(text);
  std::string codes;
  std::size_t at = 0;
  while (at < words.size()) {
    const Sentence* longest = nullptr;
    for (const Sentence& sentence : SentenceTable()) {
      if ((!longest || sentence.words.size() > longest->words.size()) &&
          MatchesAt(words, at, sentence.words))
        longest = &sentence;
    }
    if (!longest) {
      ++at;
      continue;
    }
    codes += std::to_string(longest->code) + ";";
    at += longest->words.size();
  }
  return codes;
}

}  // namespace agent
