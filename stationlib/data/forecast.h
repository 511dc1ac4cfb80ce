#pragma once
#include <string>

namespace orbisk::data {

// The forecast sentence of a forecast rule number (0-199): the phrases of the
// rule's triple in order. A number outside the table gives the text asking
// for 3 hours of data.
std::string ForecastRuleText(int rule);
// The text of a forecast icon byte.
std::string ForecastIconText(int icon);

}  // namespace orbisk::data
