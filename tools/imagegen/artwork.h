// The artwork of the carried images, drawn with the agent's raster layer.
#pragma once

#include "agent/images/carried_image_table.h"
#include "agent/images/rgba_image.h"

namespace imagegen {

// The picture of a carried image, at its carried size.
agent::images::RgbaImage DrawArtwork(agent::images::CarriedImage image);

}  // namespace imagegen
