// Publishing the pictures into a real cache directory; every file is read
// back with libpng.
#include <gtest/gtest.h>

#include "agent/images/carried_images.h"
#include "agent/images/icon_publisher.h"
#include "agent/images/wind_rose.h"
#include "tests/agent/images/image_test_support.h"

namespace agent::images {
namespace {

using images_test::IsRgb8;
using images_test::IsRgba8;
using images_test::ReadPngFile;

class IconPublisherTest : public ::testing::Test {
 protected:
  images_test::TempDir cache;
  images_test::RecordingOutput output;
  IconPublisher publisher{output, cache.path()};

  // The file must be a whole 8-bit RGBA PNG showing exactly this carried image.
  void ExpectShows(const char* file, CarriedImage image) {
    SCOPED_TRACE(file);
    const auto png = ReadPngFile(cache.file(file));
    ASSERT_TRUE(png);
    EXPECT_TRUE(IsRgba8(*png));
    EXPECT_EQ(png->pixels, CarriedPixels(image)) << "expected " << InfoOf(image).name;
  }
  std::size_t QueuedCount(const char* file) {
    const auto q = output.Queued();
    return static_cast<std::size_t>(std::count(q.begin(), q.end(), cache.file(file)));
  }
};

TEST_F(IconPublisherTest, ForecastNumbersPublishTheirPicturesOrABlackRgbSquare) {
  const std::pair<int, CarriedImage> known[] = {
      {8, CarriedImage::kForecastSun},   {3, CarriedImage::kForecastRain},
      {5, CarriedImage::kForecastStorm}, {18, CarriedImage::kForecastSnow},
      {2, CarriedImage::kForecastCloud}, {6, CarriedImage::kForecastSunCloud},
      {7, CarriedImage::kForecastSunCloudSnow}, {22, CarriedImage::kForecastSunCloudRain},
      {23, CarriedImage::kForecastSunCloudRainSnow}, {19, CarriedImage::kForecastRainSnow}};
  for (const auto& [number, image] : known) {
    ASSERT_TRUE(publisher.ForecastIcon(number));
    ExpectShows(kForecastIconFile, image);
  }
  ASSERT_TRUE(publisher.ForecastIcon(1));
  const auto square = ReadPngFile(cache.file(kForecastIconFile));
  ASSERT_TRUE(square);
  EXPECT_TRUE(IsRgb8(*square));
  EXPECT_EQ(square->pixels, RgbaImage(128, 128, Rgba{0, 0, 0, 255}));
  EXPECT_EQ(QueuedCount(kForecastIconFile), 11u);
}

TEST_F(IconPublisherTest, TrendTextsPublishTheirPictures) {
  ASSERT_TRUE(publisher.TrendIcon("rising rapidly"));
  ExpectShows(kTrendIconFile, CarriedImage::kTrendRisingRapidly);
  ASSERT_TRUE(publisher.TrendIcon("who knows"));
  ExpectShows(kTrendIconFile, CarriedImage::kTrendUnknown);
  EXPECT_EQ(QueuedCount(kTrendIconFile), 2u);

  // The catalogue's own entry point writes at the path it is given, unqueued.
  EXPECT_TRUE(publisher.PressureTrendIcon("Steady", cache.file("trend.png")));
  ExpectShows("trend.png", CarriedImage::kTrendSteady);
  EXPECT_EQ(QueuedCount("trend.png"), 0u);
  EXPECT_FALSE(publisher.PressureTrendIcon("Steady", cache.file("missing/trend.png")));
}

TEST_F(IconPublisherTest, RainAndSevereColdFollowTheReadings) {
  EXPECT_TRUE(publisher.RainIcon(0.0f));
  ExpectShows(kRainIconFile, CarriedImage::kNoRain);
  EXPECT_TRUE(publisher.RainIcon(0.01f));
  ExpectShows(kRainIconFile, CarriedImage::kRain);

  EXPECT_TRUE(publisher.SevereColdIcon(-32705, false, -1, true));
  ExpectShows(kSevereColdIconFile, CarriedImage::kSevereCold);
  EXPECT_TRUE(publisher.SevereColdIcon(-32705, false, 0, true));
  ExpectShows(kSevereColdIconFile, CarriedImage::kNoSevereCold);
  // No valid reading: the last picture stays and nothing more is queued.
  EXPECT_TRUE(publisher.SevereColdIcon(-5, true, 3, true));
  const std::size_t queued = output.Queued().size();
  EXPECT_FALSE(publisher.SevereColdIcon(-32705, false, -32768, false));
  ExpectShows(kSevereColdIconFile, CarriedImage::kSevereCold);
  EXPECT_EQ(output.Queued().size(), queued);
}

TEST_F(IconPublisherTest, ConnectionStatesPublishTheirPicturesAndOthersDeleteTheFile) {
  const std::pair<int, CarriedImage> states[] = {{0, CarriedImage::kConnectionFailed},
                                                 {2, CarriedImage::kConnectionOk},
                                                 {3, CarriedImage::kConnectionActivity},
                                                 {4, CarriedImage::kConnectionOk}};
  for (const auto& [state, image] : states) {
    EXPECT_TRUE(publisher.SetConnectionIcon(state));
    ExpectShows(kConnectionIconFile, image);
  }
  EXPECT_FALSE(publisher.SetConnectionIcon(7));
  EXPECT_TRUE(cache.names().empty());
  EXPECT_EQ(QueuedCount(kConnectionIconFile), 4u);
  EXPECT_FALSE(publisher.SetConnectionIcon(7)) << "a missing file is fine";
}

TEST_F(IconPublisherTest, StartupWritesExactlyFiveImagesAndQueuesEach) {
  publisher.DrawStartupImages();
  EXPECT_EQ(cache.names(), (std::vector<std::string>{kAlertIconFile, kConnectionIconFile, kSevereColdIconFile,
                                                     kRainIconFile, kWindRoseFile}));
  auto queued = output.Queued();
  std::sort(queued.begin(), queued.end());
  EXPECT_EQ(queued, (std::vector<std::string>{cache.file(kAlertIconFile), cache.file(kConnectionIconFile),
                                              cache.file(kSevereColdIconFile), cache.file(kRainIconFile),
                                              cache.file(kWindRoseFile)}));
  ExpectShows(kConnectionIconFile, CarriedImage::kConnectionActivity);
  ExpectShows(kRainIconFile, CarriedImage::kNoRain);
  ExpectShows(kSevereColdIconFile, CarriedImage::kNoSevereCold);
  ExpectShows(kAlertIconFile, CarriedImage::kNoAlert);
  const auto rose = ReadPngFile(cache.file(kWindRoseFile));
  ASSERT_TRUE(rose);
  EXPECT_TRUE(IsRgba8(*rose));
  EXPECT_EQ(rose->pixels, CarriedPixels(CarriedImage::kWindRoseBackground)) << "bare rose";
}

TEST_F(IconPublisherTest, AlertPicturesFollowTheState) {
  EXPECT_TRUE(publisher.AlertIcon(true));
  ExpectShows(kAlertIconFile, CarriedImage::kAlert);
  EXPECT_TRUE(publisher.AlertIcon(false));
  ExpectShows(kAlertIconFile, CarriedImage::kNoAlert);
}

// A cache directory that refuses writes: no file, no queue entry; the first
// write once it accepts them again succeeds.
TEST_F(IconPublisherTest, UnwritableCacheWritesAndQueuesNothingThenRecovers) {
  output.writable = false;
  publisher.DrawStartupImages();
  EXPECT_FALSE(publisher.ForecastIcon(8));
  EXPECT_FALSE(publisher.ForecastIcon(1));
  EXPECT_FALSE(publisher.TrendIcon("RISING"));
  EXPECT_FALSE(publisher.RainIcon(1));
  EXPECT_FALSE(publisher.SevereColdIcon(-1, true, 0, false));
  EXPECT_FALSE(publisher.WindRose(90));
  EXPECT_TRUE(cache.names().empty());
  EXPECT_TRUE(output.Queued().empty());

  output.writable = true;
  EXPECT_TRUE(publisher.WindRose(90));
  EXPECT_EQ(output.Queued(), std::vector<std::string>{cache.file(kWindRoseFile)});
}

TEST(IconPublisher, MissingCacheDirectoryLeavesNothingUntilItExists) {
  images_test::TempDir base;
  images_test::RecordingOutput output;
  IconPublisher publisher(output, base.file("cache"));
  EXPECT_FALSE(publisher.WindRose(kDirectionAbsent));
  EXPECT_FALSE(publisher.RainIconState(true));
  EXPECT_TRUE(base.names().empty());
  EXPECT_TRUE(output.Queued().empty());
  std::filesystem::create_directory(base.file("cache"));
  EXPECT_TRUE(publisher.RainIconState(true));
  EXPECT_EQ(output.Queued(), std::vector<std::string>{base.file("cache/ico_pluie.png")});
}

TEST(IconPublisher, PathsJoinTheCacheDirectoryAndEmptyMeansTheWorkingDirectory) {
  images_test::RecordingOutput output;
  EXPECT_EQ(IconPublisher(output, "").PathOf("rsdv.png"), "rsdv.png");
  EXPECT_EQ(IconPublisher(output, "/srv/cache/").PathOf("rsdv.png"), "/srv/cache/rsdv.png");
  EXPECT_EQ(IconPublisher(output, "cache").PathOf("rsdv.png"), "cache/rsdv.png");
  EXPECT_EQ(IconPublisher(output, "/").PathOf("rsdv.png"), "/rsdv.png");
}

}  // namespace
}  // namespace agent::images
