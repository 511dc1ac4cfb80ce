// Anti-aliased text drawn at any angle with FreeType glyphs.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>

#include "agent/images/rgba_image.h"

namespace agent::images {

// Unrotated ink box of a text, in pixels relative to its baseline origin
// (x to the right, y upwards).
struct TextExtent {
  double advance = 0;
  double ink_left = 0, ink_right = 0, ink_bottom = 0, ink_top = 0;
  bool has_ink = false;
};

class TextRenderer {
 public:
  // The renderer of the font carried inside the program (DejaVu Sans Bold).
  static TextRenderer& Carried();

  // `font` must outlive the renderer. A font FreeType cannot read gives a
  // renderer that draws nothing and measures nothing.
  explicit TextRenderer(std::span<const unsigned char> font);
  ~TextRenderer();
  TextRenderer(const TextRenderer&) = delete;
  TextRenderer& operator=(const TextRenderer&) = delete;

  bool ok() const;

  // Draws `text` (one byte per character, Latin-1) with its baseline starting at
  // (x, y) in image coordinates and turned by `angle_degrees` counter-clockwise
  // about that point, blended in `colour`.
  void Draw(RgbaImage& image, std::string_view text, double x, double y, double angle_degrees,
            double pixel_size, Rgba colour);

  TextExtent Measure(std::string_view text, double pixel_size);

 private:
  struct FreeType;
  std::mutex mutex_;  // FreeType faces are not safe to share between threads
  std::unique_ptr<FreeType> ft_;
};

}  // namespace agent::images
