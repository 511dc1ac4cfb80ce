#include "agent/images/text_renderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <numbers>

#include "agent/images/embedded_font.h"

namespace agent::images {

struct TextRenderer::FreeType {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~FreeType() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
  bool SetSize(double pixel_size) {
    const auto size = static_cast<FT_F26Dot6>(std::lround(std::max(pixel_size, 1.0) * 64));
    return FT_Set_Char_Size(face, 0, size, 72, 72) == 0;
  }
};

namespace {
constexpr char kCarriedFontName[] = "DejaVuSans-Bold.ttf";
constexpr FT_Int32 kLoadFlags = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;

FT_ULong CodePoint(char c) {
  return static_cast<unsigned char>(c);
}
}  // namespace

TextRenderer& TextRenderer::Carried() {
  static TextRenderer renderer(font::FindEmbeddedFile(kCarriedFontName));
  return renderer;
}

TextRenderer::TextRenderer(std::span<const unsigned char> font)
    : ft_(std::make_unique<FreeType>()) {
  if (font.empty() || FT_Init_FreeType(&ft_->library) != 0 ||
      FT_New_Memory_Face(ft_->library, font.data(), static_cast<FT_Long>(font.size()), 0,
                         &ft_->face) != 0) {
    ft_.reset();
  }
}

TextRenderer::~TextRenderer() = default;

bool TextRenderer::ok() const {
  return ft_ != nullptr;
}

void TextRenderer::Draw(RgbaImage& image, std::string_view text, double x, double y,
                        double angle_degrees, double pixel_size, Rgba colour) {
  std::lock_guard lock(mutex_);
  if (!ft_ || !ft_->SetSize(pixel_size)) return;
  const double angle = angle_degrees * std::numbers::pi / 180.0;
  const auto fixed = [](double v) { return static_cast<FT_Fixed>(std::lround(v * 65536.0)); };
  FT_Matrix matrix{fixed(std::cos(angle)), fixed(-std::sin(angle)), fixed(std::sin(angle)),
                   fixed(std::cos(angle))};
  // FreeType works with y upwards: the image row y is at -y there.
  FT_Vector pen{static_cast<FT_Pos>(std::lround(x * 64)),
                static_cast<FT_Pos>(std::lround(-y * 64))};
  FT_GlyphSlot slot = ft_->face->glyph;
  for (char c : text) {
    FT_Set_Transform(ft_->face, &matrix, &pen);
    if (FT_Load_Char(ft_->face, CodePoint(c), kLoadFlags | FT_LOAD_RENDER) != 0) continue;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        for (unsigned col = 0; col < bitmap.width; ++col) {
          image.Blend(slot->bitmap_left + static_cast<int>(col),
                      -slot->bitmap_top + static_cast<int>(row), colour, line[col]);
        }
      }
    }
    pen.x += slot->advance.x;
    pen.y += slot->advance.y;
  }
  FT_Set_Transform(ft_->face, nullptr, nullptr);
}

TextExtent TextRenderer::Measure(std::string_view text, double pixel_size) {
  std::lock_guard lock(mutex_);
  TextExtent extent;
  if (!ft_ || !ft_->SetSize(pixel_size)) return extent;
  FT_Set_Transform(ft_->face, nullptr, nullptr);
  double pen = 0;
  for (char c : text) {
    if (FT_Load_Char(ft_->face, CodePoint(c), kLoadFlags) != 0) continue;
    const FT_Glyph_Metrics& m = ft_->face->glyph->metrics;
    if (m.width > 0 && m.height > 0) {
      const double left = pen + m.horiBearingX / 64.0;
      const double right = left + m.width / 64.0;
      const double top = m.horiBearingY / 64.0;
      const double bottom = top - m.height / 64.0;
      if (!extent.has_ink) {
        extent.ink_left = left, extent.ink_right = right, extent.ink_top = top,
        extent.ink_bottom = bottom;
        extent.has_ink = true;
      } else {
        extent.ink_left = std::min(extent.ink_left, left);
        extent.ink_right = std::max(extent.ink_right, right);
        extent.ink_top = std::max(extent.ink_top, top);
        extent.ink_bottom = std::min(extent.ink_bottom, bottom);
      }
    }
    pen += ft_->face->glyph->advance.x / 64.0;
  }
  extent.advance = pen;
  return extent;
}

}  // namespace agent::images
