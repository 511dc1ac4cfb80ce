#pragma once
// The console's English forecast sentences turned into rule codes "1" to "41",
// the keys of their French texts in the language pack (PREV_METEO_<code>).

#include <string>
#include <string_view>

namespace agent {

// The codes of the table sentences found in `text`, each followed by ";"
// ("1;18;"). Sentences are matched with periods ignored (upper case, "."
// removed, blanks collapsed), the longest sentence first, left to right; words
// that start no known sentence are passed over. No sentence gives "".
std::string ForecastTextToCodes(std::string_view text);

}  // namespace agent
