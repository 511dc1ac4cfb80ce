#include "agent/images/carried_images.h"

#include <array>
#include <string>

#include "agent/images/embedded_icons.h"
#include "agent/images/png_codec.h"

namespace agent::images {

namespace {

std::size_t IndexOf(CarriedImage image) {
  return static_cast<std::size_t>(image);
}

struct DecodedSet {
  std::array<RgbaImage, kCarriedImageCount> pixels;
  bool complete = true;
  DecodedSet() {
    for (const CarriedImageInfo& info : CarriedImageTable()) {
      std::optional<RgbaImage> decoded = DecodePng(CarriedPng(info.id));
      const bool fits =
          decoded && decoded->width() == info.width && decoded->height() == info.height;
      complete = complete && fits;
      pixels[IndexOf(info.id)] = fits ? std::move(*decoded) : RgbaImage(info.width, info.height);
    }
  }
};

const DecodedSet& Decoded() {
  static const DecodedSet kSet;
  return kSet;
}

}  // namespace

std::span<const unsigned char> CarriedPng(CarriedImage image) {
  return resources::FindEmbeddedFile(std::string(InfoOf(image).name) + ".png");
}

const RgbaImage& CarriedPixels(CarriedImage image) {
  return Decoded().pixels[IndexOf(image)];
}

bool LoadCarriedImages() {
  return Decoded().complete;
}

}  // namespace agent::images
