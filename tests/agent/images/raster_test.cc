// The raster layer: images, PNG in memory, rotated text, and files carried
// with tvl_embed.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string_view>

#include "agent/images/embedded_font.h"
#include "agent/images/png_codec.h"
#include "agent/images/rgba_image.h"
#include "agent/images/text_renderer.h"
#include "tests/agent/images/embedded_sample.h"
#include "tests/agent/images/image_test_support.h"

namespace agent::images {
namespace {

RgbaImage Gradient(int w, int h) {
  RgbaImage image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.at(x, y) = {static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 5),
                        static_cast<std::uint8_t>(x ^ y), static_cast<std::uint8_t>(255 - x)};
  return image;
}

TEST(PngCodec, RgbaRoundTripKeepsEveryPixelAndWritesEightBitRgba) {
  const RgbaImage image = Gradient(37, 23);
  const auto png = EncodePng(image, PngLayout::kRgba);
  ASSERT_TRUE(png);
  const auto header = ReadPngHeader(*png);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->width, 37);
  EXPECT_EQ(header->height, 23);
  EXPECT_EQ(header->bit_depth, 8);
  EXPECT_EQ(header->colour_type, kPngColourRgba);
  const auto decoded = DecodePng(*png);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(*decoded, image);
}

TEST(PngCodec, RgbLayoutDropsAlphaAndIsColourTypeTwo) {
  RgbaImage image = Gradient(8, 8);
  const auto png = EncodePng(image, PngLayout::kRgb);
  ASSERT_TRUE(png);
  EXPECT_EQ(ReadPngHeader(*png)->colour_type, kPngColourRgb);
  EXPECT_EQ(ReadPngHeader(*png)->bit_depth, 8);
  const auto decoded = DecodePng(*png);
  ASSERT_TRUE(decoded);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      Rgba expected = image.at(x, y);
      expected.a = 255;
      EXPECT_EQ(decoded->at(x, y), expected);
    }
}

TEST(PngCodec, RejectsEmptyTruncatedAndForeignInput) {
  EXPECT_FALSE(EncodePng(RgbaImage(), PngLayout::kRgba));
  const auto png = EncodePng(Gradient(64, 64), PngLayout::kRgba);
  ASSERT_TRUE(png);
  for (std::size_t cut :
       {std::size_t{0}, std::size_t{7}, std::size_t{30}, png->size() / 2, png->size() - 1}) {
    EXPECT_FALSE(DecodePng(std::span(png->data(), cut))) << "cut at " << cut;
  }
  const std::vector<std::uint8_t> text{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
  EXPECT_FALSE(DecodePng(text));
  EXPECT_FALSE(ReadPngHeader(text));
}

TEST(RgbaImage, BlendFollowsCoverageAndIgnoresPointsOutside) {
  RgbaImage image(2, 1, Rgba{0, 0, 255, 255});
  image.Blend(0, 0, Rgba{255, 0, 0, 255}, 255);
  image.Blend(1, 0, Rgba{255, 0, 0, 255}, 128);
  image.Blend(-1, 0, Rgba{255, 0, 0, 255}, 255);
  image.Blend(2, 0, Rgba{255, 0, 0, 255}, 255);
  EXPECT_EQ(image.at(0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_NEAR(image.at(1, 0).r, 128, 1);
  EXPECT_NEAR(image.at(1, 0).b, 127, 1);
  EXPECT_EQ(image.at(1, 0).a, 255);

  RgbaImage clear(1, 1);
  clear.Blend(0, 0, Rgba{10, 20, 30, 255}, 64);
  EXPECT_EQ(clear.at(0, 0).r, 10);  // colour kept, only alpha follows coverage
  EXPECT_NEAR(clear.at(0, 0).a, 64, 1);
}

TEST(RgbaImage, ScaleKeepsUniformColourAndSameSizeIsACopy) {
  const RgbaImage flat(10, 10, Rgba{1, 2, 3, 4});
  EXPECT_EQ(ScaleImage(flat, 25, 7), RgbaImage(25, 7, Rgba{1, 2, 3, 4}));
  const RgbaImage g = Gradient(20, 20);
  EXPECT_EQ(ScaleImage(g, 20, 20), g);
}

// The ink of a text drawn at an angle lies along that angle from its origin.
TEST(TextRenderer, DrawsAntiAliasedTextAlongTheAngle) {
  TextRenderer& font = TextRenderer::Carried();
  ASSERT_TRUE(font.ok());
  for (double angle : {0.0, 45.0, 90.0, 200.0, -30.0}) {
    RgbaImage canvas(200, 200);
    font.Draw(canvas, "--------", 100, 100, angle, 20, Rgba{0, 0, 0, 255});
    double sx = 0, sy = 0, weight = 0;
    bool partial = false;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x) {
        const int a = canvas.at(x, y).a;
        partial = partial || (a > 0 && a < 255);
        sx += a * (x + 0.5 - 100), sy += a * (100 - (y + 0.5)), weight += a;
      }
    ASSERT_GT(weight, 0) << angle;
    EXPECT_TRUE(partial) << "edges are anti-aliased";
    const double drawn = std::atan2(sy, sx) * 180 / std::numbers::pi;
    const double diff = std::remainder(drawn - angle, 360.0);
    // The dashes sit above the baseline, so the ink centre is a few degrees off.
    EXPECT_LT(std::abs(diff), 12) << "angle " << angle << " drawn " << drawn;
  }
}

TEST(TextRenderer, MeasureScalesWithSizeAndBadFontDrawsNothing) {
  TextRenderer& font = TextRenderer::Carried();
  const TextExtent small = font.Measure("->", 10), big = font.Measure("->", 40);
  ASSERT_TRUE(small.has_ink && big.has_ink);
  EXPECT_NEAR(big.advance, 4 * small.advance, 0.5);
  EXPECT_NEAR(big.ink_right, 4 * small.ink_right, 0.5);
  EXPECT_FALSE(font.Measure("   ", 20).has_ink);

  const unsigned char junk[] = {1, 2, 3, 4};
  TextRenderer broken(junk);
  EXPECT_FALSE(broken.ok());
  RgbaImage canvas(10, 10);
  broken.Draw(canvas, "x", 5, 5, 0, 8, Rgba{255, 255, 255, 255});
  EXPECT_EQ(canvas, RgbaImage(10, 10));
  EXPECT_FALSE(broken.Measure("x", 8).has_ink);
}

TEST(Embed, FindsCarriedFilesByNameOnly) {
  const auto sample = embed_sample::FindEmbeddedFile("sample");
  EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(sample.data()), sample.size()),
            "carried through tvl_embed\n");
  EXPECT_TRUE(embed_sample::FindEmbeddedFile("embed_sample.txt").empty());
  EXPECT_TRUE(embed_sample::FindEmbeddedFile("").empty());
  ASSERT_EQ(embed_sample::EmbeddedFiles().size(), 1u);

  const auto ttf = font::FindEmbeddedFile("DejaVuSans-Bold.ttf");
  const auto on_disk =
      images_test::ReadBytes("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
  ASSERT_FALSE(ttf.empty());
  if (!on_disk.empty()) {
    EXPECT_TRUE(std::equal(ttf.begin(), ttf.end(), on_disk.begin(), on_disk.end()));
  }
}

}  // namespace
}  // namespace agent::images
