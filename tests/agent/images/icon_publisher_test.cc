// Publishing the pictures into a real cache directory; every file is read
// back with libpng.
#include "agent/images/icon_publisher.h"

#include <gtest/gtest.h>

#include "agent/images/carried_images.h"
#include "agent/images/wind_rose.h"
#include "tests/agent/images/image_test_support.h"

namespace agent::images {
namespace {

using images_test::IsRgb8;
using images_test::IsRgba8;
using images_test::ReadPngFile;

class IconPublisherTest : public ::testing::Test {
 protected:
  images_test::TempDir cache_;
  images_test::RecordingOutput output_;
  IconPublisher publisher_{output_, cache_.path()};

  // The file must be a whole 8-bit RGBA PNG showing exactly this carried image.
  void ExpectShows(const char* file, CarriedImage image) {
    SCOPED_TRACE(file);
    const auto png = ReadPngFile(cache_.file(file));
    ASSERT_TRUE(png);
    EXPECT_TRUE(IsRgba8(*png));
    EXPECT_EQ(png->pixels, CarriedPixels(image)) << "expected " << InfoOf(image).name;
  }
  std::size_t QueuedCount(const char* file) {
    const auto q = output_.Queued();
    return static_cast<std::size_t>(std::count(q.begin(), q.end(), cache_.file(file)));
  }
};

TEST_F(IconPublisherTest, ForecastNumbersPublishTheirPicturesOrABlackRgbSquare) {
  const std::pair<int, CarriedImage> known[] = {{8, CarriedImage::kForecastSun},
                                                {3, CarriedImage::kForecastRain},
                                                {5, CarriedImage::kForecastStorm},
                                                {18, CarriedImage::kForecastSnow},
                                                {2, CarriedImage::kForecastCloud},
                                                {6, CarriedImage::kForecastSunCloud},
                                                {7, CarriedImage::kForecastSunCloudSnow},
                                                {22, CarriedImage::kForecastSunCloudRain},
                                                {23, CarriedImage::kForecastSunCloudRainSnow},
                                                {19, CarriedImage::kForecastRainSnow}};
  for (const auto& [number, image] : known) {
    ASSERT_TRUE(publisher_.ForecastIcon(number));
    ExpectShows(kForecastIconFile, image);
  }
  ASSERT_TRUE(publisher_.ForecastIcon(1));
  const auto square = ReadPngFile(cache_.file(kForecastIconFile));
  ASSERT_TRUE(square);
  EXPECT_TRUE(IsRgb8(*square));
  EXPECT_EQ(square->pixels, RgbaImage(128, 128, Rgba{0, 0, 0, 255}));
  EXPECT_EQ(QueuedCount(kForecastIconFile), 11u);
}

TEST_F(IconPublisherTest, TrendTextsPublishTheirPictures) {
  ASSERT_TRUE(publisher_.TrendIcon("rising rapidly"));
  ExpectShows(kTrendIconFile, CarriedImage::kTrendRisingRapidly);
  ASSERT_TRUE(publisher_.TrendIcon("who knows"));
  ExpectShows(kTrendIconFile, CarriedImage::kTrendUnknown);
  EXPECT_EQ(QueuedCount(kTrendIconFile), 2u);

  // The catalogue's own entry point writes at the path it is given, unqueued.
  EXPECT_TRUE(publisher_.PressureTrendIcon("Steady", cache_.file("trend.png")));
  ExpectShows("trend.png", CarriedImage::kTrendSteady);
  EXPECT_EQ(QueuedCount("trend.png"), 0u);
  EXPECT_FALSE(publisher_.PressureTrendIcon("Steady", cache_.file("missing/trend.png")));
}

TEST_F(IconPublisherTest, RainAndSevereColdFollowTheReadings) {
  EXPECT_TRUE(publisher_.RainIcon(0.0f));
  ExpectShows(kRainIconFile, CarriedImage::kNoRain);
  EXPECT_TRUE(publisher_.RainIcon(0.01f));
  ExpectShows(kRainIconFile, CarriedImage::kRain);

  EXPECT_TRUE(publisher_.SevereColdIcon(-32705, false, -1, true));
  ExpectShows(kSevereColdIconFile, CarriedImage::kSevereCold);
  EXPECT_TRUE(publisher_.SevereColdIcon(-32705, false, 0, true));
  ExpectShows(kSevereColdIconFile, CarriedImage::kNoSevereCold);
  // No valid reading: the last picture stays and nothing more is queued.
  EXPECT_TRUE(publisher_.SevereColdIcon(-5, true, 3, true));
  const std::size_t queued = output_.Queued().size();
  EXPECT_FALSE(publisher_.SevereColdIcon(-32705, false, -32768, false));
  ExpectShows(kSevereColdIconFile, CarriedImage::kSevereCold);
  EXPECT_EQ(output_.Queued().size(), queued);
}

TEST_F(IconPublisherTest, ConnectionStatesPublishTheirPicturesAndOthersDeleteTheFile) {
  const std::pair<int, CarriedImage> states[] = {{0, CarriedImage::kConnectionFailed},
                                                 {2, CarriedImage::kConnectionOk},
                                                 {3, CarriedImage::kConnectionActivity},
                                                 {4, CarriedImage::kConnectionOk}};
  for (const auto& [state, image] : states) {
    EXPECT_TRUE(publisher_.SetConnectionIcon(state));
    ExpectShows(kConnectionIconFile, image);
  }
  EXPECT_FALSE(publisher_.SetConnectionIcon(7));
  EXPECT_TRUE(cache_.names().empty());
  EXPECT_EQ(QueuedCount(kConnectionIconFile), 4u);
  EXPECT_FALSE(publisher_.SetConnectionIcon(7)) << "a missing file is fine";
}

TEST_F(IconPublisherTest, StartupWritesExactlyFiveImagesAndQueuesEach) {
  publisher_.DrawStartupImages();
  EXPECT_EQ(cache_.names(),
            (std::vector<std::string>{kAlertIconFile, kConnectionIconFile, kSevereColdIconFile,
                                      kRainIconFile, kWindRoseFile}));
  auto queued = output_.Queued();
  std::sort(queued.begin(), queued.end());
  EXPECT_EQ(queued,
            (std::vector<std::string>{cache_.file(kAlertIconFile), cache_.file(kConnectionIconFile),
                                      cache_.file(kSevereColdIconFile), cache_.file(kRainIconFile),
                                      cache_.file(kWindRoseFile)}));
  ExpectShows(kConnectionIconFile, CarriedImage::kConnectionActivity);
  ExpectShows(kRainIconFile, CarriedImage::kNoRain);
  ExpectShows(kSevereColdIconFile, CarriedImage::kNoSevereCold);
  ExpectShows(kAlertIconFile, CarriedImage::kNoAlert);
  const auto rose = ReadPngFile(cache_.file(kWindRoseFile));
  ASSERT_TRUE(rose);
  EXPECT_TRUE(IsRgba8(*rose));
  EXPECT_EQ(rose->pixels, CarriedPixels(CarriedImage::kWindRoseBackground)) << "bare rose";
}

TEST_F(IconPublisherTest, AlertPicturesFollowTheState) {
  EXPECT_TRUE(publisher_.AlertIcon(true));
  ExpectShows(kAlertIconFile, CarriedImage::kAlert);
  EXPECT_TRUE(publisher_.AlertIcon(false));
  ExpectShows(kAlertIconFile, CarriedImage::kNoAlert);
}

// A cache directory that refuses writes: no file, no queue entry; the first
// write once it accepts them again succeeds.
TEST_F(IconPublisherTest, UnwritableCacheWritesAndQueuesNothingThenRecovers) {
  output_.writable = false;
  publisher_.DrawStartupImages();
  EXPECT_FALSE(publisher_.ForecastIcon(8));
  EXPECT_FALSE(publisher_.ForecastIcon(1));
  EXPECT_FALSE(publisher_.TrendIcon("RISING"));
  EXPECT_FALSE(publisher_.RainIcon(1));
  EXPECT_FALSE(publisher_.SevereColdIcon(-1, true, 0, false));
  EXPECT_FALSE(publisher_.WindRose(90));
  EXPECT_TRUE(cache_.names().empty());
  EXPECT_TRUE(output_.Queued().empty());

  output_.writable = true;
  EXPECT_TRUE(publisher_.WindRose(90));
  EXPECT_EQ(output_.Queued(), std::vector<std::string>{cache_.file(kWindRoseFile)});
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
