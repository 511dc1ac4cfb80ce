// PNG encoding and decoding in memory (libpng). Files are written by the
// publishing step, which owns the atomic replace.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "agent/images/rgba_image.h"

namespace agent::images {

enum class PngLayout {
  kRgba,  // 8-bit RGBA, colour type 6: every carried and drawn image
  kRgb,   // 8-bit RGB, colour type 2: the black forecast square
};

// PNG colour types as stored in the file header.
inline constexpr int kPngColourRgb = 2;
inline constexpr int kPngColourRgba = 6;

struct PngHeader {
  int width = 0;
  int height = 0;
  int bit_depth = 0;
  int colour_type = 0;
};

// The PNG bytes of `image`; an RGB layout drops the alpha channel.
// Empty when the image is empty or libpng fails.
std::optional<std::vector<std::uint8_t>> EncodePng(const RgbaImage& image, PngLayout layout);

// The size, bit depth and colour type from the header of a PNG stream.
std::optional<PngHeader> ReadPngHeader(std::span<const std::uint8_t> bytes);

// Decodes a whole PNG stream to RGBA; empty when the stream is not a complete,
// valid PNG (a truncated file is rejected, not half decoded).
std::optional<RgbaImage> DecodePng(std::span<const std::uint8_t> bytes);

}  // namespace agent::images
