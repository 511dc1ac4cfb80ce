// The 26 carried images: sizes, format, and that the committed artwork is
// what the generator draws.
#include "agent/images/carried_images.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/agent/images/image_test_support.h"
#include "tools/imagegen/artwork.h"

namespace agent::images {
namespace {

TEST(CarriedImages, AllTwentySixAreCarriedAtTheirSizesAsEightBitRgba) {
  ASSERT_EQ(CarriedImageTable().size(), 26u);
  EXPECT_TRUE(LoadCarriedImages());
  std::set<std::string_view> names;
  for (const CarriedImageInfo& info : CarriedImageTable()) {
    SCOPED_TRACE(std::string(info.name));
    EXPECT_EQ(&InfoOf(info.id), &info);
    names.insert(info.name);
    const auto png = CarriedPng(info.id);
    ASSERT_FALSE(png.empty());
    const auto header = ReadPngHeader(std::vector<std::uint8_t>(png.begin(), png.end()));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, info.width);
    EXPECT_EQ(header->height, info.height);
    EXPECT_EQ(header->bit_depth, 8);
    EXPECT_EQ(header->colour_type, kPngColourRgba);
    EXPECT_EQ(CarriedPixels(info.id).width(), info.width);
    EXPECT_EQ(CarriedPixels(info.id).height(), info.height);
  }
  EXPECT_EQ(names.size(), 26u) << "names are unique";
}

TEST(CarriedImages, SizesFollowTheirRoles) {
  using enum CarriedImage;
  auto size = [](CarriedImage i) { return std::pair(InfoOf(i).width, InfoOf(i).height); };
  for (auto i :
       {kConnectionOk, kConnectionActivity, kConnectionFailed, kRain, kNoRain, kAlert, kNoAlert})
    EXPECT_EQ(size(i), std::pair(32, 32));
  for (auto i : {kSevereCold, kNoSevereCold}) EXPECT_EQ(size(i), std::pair(48, 48));
  for (int i = static_cast<int>(kTrendRising); i <= static_cast<int>(kTrendUnknown); ++i)
    EXPECT_EQ(size(CarriedImage(i)), std::pair(16, 16));
  for (int i = static_cast<int>(kForecastSun); i <= static_cast<int>(kForecastRainSnow); ++i)
    EXPECT_EQ(size(CarriedImage(i)), std::pair(128, 128));
  EXPECT_EQ(size(kWindRoseBackground), std::pair(200, 200));
}

// The carried bytes are the committed files, and the committed files are what
// tools/imagegen draws today (within the golden tolerance, as FreeType builds
// may round glyph edges differently).
TEST(CarriedImages, MatchTheCommittedFilesAndTheGenerator) {
  for (const CarriedImageInfo& info : CarriedImageTable()) {
    SCOPED_TRACE(std::string(info.name));
    const auto committed = images_test::ReadPngFile(std::string(TVL_IMAGES_RESOURCES_DIR) + "/" +
                                                    std::string(info.name) + ".png");
    ASSERT_TRUE(committed);
    EXPECT_EQ(committed->pixels, CarriedPixels(info.id));
    EXPECT_LE(images_test::DifferingShare(imagegen::DrawArtwork(info.id), committed->pixels),
              0.005);
  }
}

TEST(CarriedImages, PicturesOfOneRoleDifferFromEachOther) {
  const auto table = CarriedImageTable();
  for (std::size_t i = 0; i < table.size(); ++i)
    for (std::size_t j = i + 1; j < table.size(); ++j)
      if (table[i].width == table[j].width) {
        EXPECT_GT(
            images_test::DifferingShare(CarriedPixels(table[i].id), CarriedPixels(table[j].id)),
            0.01)
            << table[i].name << " vs " << table[j].name;
      }
}

}  // namespace
}  // namespace agent::images
