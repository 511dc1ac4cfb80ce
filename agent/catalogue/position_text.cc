#include "agent/catalogue/position_text.h"

#include <cmath>

#include "agent/catalogue/number_forms.h"

namespace agent {
namespace {

std::string PositionText(const OrbiskPosition& position, const char* positive,
                         const char* negative) {
  const char* word = position.degrees > 0 ? positive : position.degrees < 0 ? negative : "";
  return FormatDecimal(std::fabs(position.degrees), 2) + "° " + word + " " +
         FormatWholeNumber(position.minutes) + "' " + FormatWholeNumber(position.seconds) + "\"";
}

}  // namespace

std::string LatitudeText(const OrbiskPosition& position) {
  return PositionText(position, "Nord", "Sud");
}

std::string LongitudeText(const OrbiskPosition& position) {
  return PositionText(position, "Est", "Ouest");
}

}  // namespace agent
