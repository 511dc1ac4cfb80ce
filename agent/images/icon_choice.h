// Which picture each reading or state shows. Pure functions, no files.
#pragma once

#include <optional>
#include <string_view>

#include "agent/images/carried_images.h"

namespace agent::images {

// The forecast picture of a console forecast icon number; none for a number
// outside the ten known ones (the caller then draws a black square).
std::optional<CarriedImage> ForecastImage(int forecast_number);

// The pressure-trend picture of a trend text, compared in upper case; any
// other text gives the fallback picture.
CarriedImage TrendImage(std::string_view trend_text);

// True (raining) when the rain value is anything but exactly 0.0.
bool RainState(float rain_value);

// True (severe cold) when the THSW index is valid and below 0 °C, or else the
// THW index is valid and below 0 °C. None when neither reading is valid: the
// picture is then left as it is rather than guessed from a sentinel.
std::optional<bool> SevereColdState(float thsw, bool thsw_valid, float thw, bool thw_valid);

// The connection picture of a link state (0 failed, 1/2/4 open or closed
// cleanly, 3 a pass running); none for any other state.
std::optional<CarriedImage> ConnectionImage(int state);

}  // namespace agent::images
