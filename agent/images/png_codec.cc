#include "agent/images/png_codec.h"

#include <png.h>

#include <cstring>

namespace agent::images {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// The final chunk of every PNG stream: empty IEND with its fixed CRC.
constexpr std::uint8_t kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

// The simplified libpng interface reports errors through return values, so no
// longjmp ever crosses C++ frames.
struct PngImage {
  png_image image{};
  PngImage() { image.version = PNG_IMAGE_VERSION; }
  ~PngImage() { png_image_free(&image); }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodePng(const RgbaImage& image, PngLayout layout) {
  if (image.empty()) return std::nullopt;
  const bool rgb = layout == PngLayout::kRgb;
  std::vector<std::uint8_t> rows;
  const void* buffer = image.pixels().data();
  if (rgb) {
    rows.reserve(image.pixels().size() * 3);
    for (const Rgba& p : image.pixels()) rows.insert(rows.end(), {p.r, p.g, p.b});
    buffer = rows.data();
  }
  PngImage png;
  png.image.width = static_cast<png_uint_32>(image.width());
  png.image.height = static_cast<png_uint_32>(image.height());
  png.image.format = rgb ? PNG_FORMAT_RGB : PNG_FORMAT_RGBA;
  // Icons are rewritten at every data build: speed matters more than a few
  // hundred bytes of upload.
  png.image.flags = PNG_IMAGE_FLAG_FAST;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png.image, nullptr, &size, 0, buffer, 0, nullptr))
    return std::nullopt;
  std::vector<std::uint8_t> out(size);
  if (!png_image_write_to_memory(&png.image, out.data(), &size, 0, buffer, 0, nullptr))
    return std::nullopt;
  out.resize(size);
  return out;
}

std::optional<PngHeader> ReadPngHeader(std::span<const std::uint8_t> bytes) {
  // Signature, then the IHDR chunk: length, "IHDR", width, height, depth, colour type.
  if (bytes.size() < 8 + 8 + 13) return std::nullopt;
  if (std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0) return std::nullopt;
  if (std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) return std::nullopt;
  PngHeader header;
  header.width = static_cast<int>(BigEndian32(bytes.data() + 16));
  header.height = static_cast<int>(BigEndian32(bytes.data() + 20));
  header.bit_depth = bytes[24];
  header.colour_type = bytes[25];
  return header;
}

std::optional<RgbaImage> DecodePng(std::span<const std::uint8_t> bytes) {
  // libpng stops reading after the image data, so a stream cut inside its
  // end chunk would still decode: check the end explicitly.
  if (bytes.size() < sizeof kEnd ||
      std::memcmp(bytes.data() + bytes.size() - sizeof kEnd, kEnd, sizeof kEnd) != 0) {
    return std::nullopt;
  }
  PngImage png;
  if (!png_image_begin_read_from_memory(&png.image, bytes.data(), bytes.size()))
    return std::nullopt;
  // Refuse absurd sizes before allocating: no carried or drawn image comes close.
  if (png.image.width == 0 || png.image.height == 0 || png.image.width > 4096 ||
      png.image.height > 4096) {
    return std::nullopt;
  }
  png.image.format = PNG_FORMAT_RGBA;
  RgbaImage out(static_cast<int>(png.image.width), static_cast<int>(png.image.height));
  static_assert(sizeof(Rgba) == 4);
  if (!png_image_finish_read(&png.image, nullptr, out.data(), 0, nullptr)) {
    return std::nullopt;
  }
  return out;
}

}  // namespace agent::images
