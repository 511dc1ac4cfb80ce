// The PNG images carried inside the agent: their bytes and decoded pixels.
#pragma once

#include <span>

#include "agent/images/carried_image_table.h"
#include "agent/images/rgba_image.h"

namespace agent::images {

// The carried PNG bytes (8-bit RGBA); empty when the build carried none.
std::span<const unsigned char> CarriedPng(CarriedImage image);

// The decoded pixels, decoded once on first use and kept for the process.
// An image whose carried bytes are missing or damaged is a transparent image of
// its size, so drawing always has a canvas.
const RgbaImage& CarriedPixels(CarriedImage image);

// Decodes every carried image now (start-up loads the wind-rose background
// here); false when one is missing, damaged or of the wrong size.
bool LoadCarriedImages();

}  // namespace agent::images
