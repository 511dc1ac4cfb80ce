// The wind rose: the carried background with a magenta arrow for the wind.
#pragma once

#include "agent/images/rgba_image.h"

namespace agent::images {

// The direction argument that means "no reading": the rose is drawn bare.
inline constexpr int kDirectionAbsent = -65535;
inline constexpr int kWindRoseSize = 200;
inline constexpr Rgba kArrowColour{255, 0, 255, 255};
// The arrow text: the leading spaces push the head out towards the rim.
inline constexpr const char kArrowText[] = "             ->";

// Draws the rose at width x height: the background scaled to that size and,
// unless the direction is kDirectionAbsent, the arrow text rotated so that its
// axis runs through the centre and its head points at `direction_degrees`
// (0 = north, clockwise), its tip about 0.44 of the size from the centre,
// drawn slightly bold over a thin white halo.
RgbaImage DrawWindRoseImage(const RgbaImage& background, int direction_degrees,
                            int width = kWindRoseSize, int height = kWindRoseSize);

}  // namespace agent::images
