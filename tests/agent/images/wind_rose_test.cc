// The wind rose: goldens, the arrow's geometry, and whole files under
// concurrent reading.
#include "agent/images/wind_rose.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <thread>

#include "agent/images/carried_images.h"
#include "agent/images/icon_publisher.h"
#include "tests/agent/images/image_test_support.h"

namespace agent::images {
namespace {

const RgbaImage& Background() {
  return CarriedPixels(CarriedImage::kWindRoseBackground);
}

std::string GoldenName(int direction) {
  if (direction == kDirectionAbsent) return "rsdv_bare.png";
  char name[32];
  std::snprintf(name, sizeof name, "rsdv_%03d.png", direction);
  return name;
}

// Goldens are remade only on request (TVL_UPDATE_GOLDENS=1), then reviewed by eye.
TEST(WindRose, MatchesTheCommittedGoldens) {
  const char* update = std::getenv("TVL_UPDATE_GOLDENS");
  const bool remake = update && std::string_view(update) == "1";
  for (int direction : {kDirectionAbsent, 0, 45, 90, 135, 180, 225, 270, 315}) {
    const std::string path = std::string(TVL_IMAGES_GOLDEN_DIR) + "/" + GoldenName(direction);
    SCOPED_TRACE(path);
    const RgbaImage rose = DrawWindRoseImage(Background(), direction);
    if (remake) {
      const auto png = EncodePng(rose, PngLayout::kRgba);
      ASSERT_TRUE(png);
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(png->data()),
                 static_cast<std::streamsize>(png->size()));
    }
    const auto golden = images_test::ReadPngFile(path);
    ASSERT_TRUE(golden) << "missing golden; make it with TVL_UPDATE_GOLDENS=1";
    EXPECT_LE(images_test::DifferingShare(rose, golden->pixels), 0.005);
  }
}

TEST(WindRose, BareRoseIsTheBackgroundWithoutMagenta) {
  const RgbaImage rose = DrawWindRoseImage(Background(), kDirectionAbsent);
  EXPECT_EQ(rose, Background());
  for (const Rgba& p : rose.pixels()) ASSERT_FALSE(images_test::IsMagenta(p));
}

// For every bearing the arrow's farthest magenta pixel lies 80-95 px from the
// centre, within 3 degrees of the bearing, and nothing magenta near the centre.
TEST(WindRose, ArrowPointsAtTheBearingFromTheCentre) {
  for (int direction = 0; direction < 360; direction += 5) {
    SCOPED_TRACE(direction);
    const RgbaImage rose = DrawWindRoseImage(Background(), direction);
    double far = -1, far_x = 0, far_y = 0, near = 1e9;
    for (int y = 0; y < rose.height(); ++y)
      for (int x = 0; x < rose.width(); ++x) {
        if (!images_test::IsMagenta(rose.at(x, y))) continue;
        const double dx = x + 0.5 - 100, dy = 100 - (y + 0.5);
        const double d = std::hypot(dx, dy);
        near = std::min(near, d);
        if (d > far) far = d, far_x = dx, far_y = dy;
      }
    ASSERT_GT(far, 0) << "no arrow drawn";
    EXPECT_GE(far, 80);
    EXPECT_LE(far, 95);
    EXPECT_GT(near, 30);
    const double bearing = std::atan2(far_x, far_y) * 180 / std::numbers::pi;
    EXPECT_LE(std::abs(std::remainder(bearing - direction, 360.0)), 3.0)
        << "bearing drawn " << bearing;
  }
}

TEST(WindRose, DirectionsOutsideOneTurnPointLikeTheirRemainder) {
  EXPECT_LE(images_test::DifferingShare(DrawWindRoseImage(Background(), 370),
                                        DrawWindRoseImage(Background(), 10)),
            0.005);
  EXPECT_LE(images_test::DifferingShare(DrawWindRoseImage(Background(), -90),
                                        DrawWindRoseImage(Background(), 270)),
            0.005);
}

TEST(WindRose, OtherSizesScaleTheBackgroundAndTheArrow) {
  images_test::TempDir cache;
  images_test::RecordingOutput output;
  IconPublisher publisher(output, cache.path());
  ASSERT_TRUE(publisher.DrawWindRose(cache.file("big.png"), 45, 400, 300));
  const auto png = images_test::ReadPngFile(cache.file("big.png"));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 400);
  EXPECT_EQ(png->height, 300);
  EXPECT_TRUE(images_test::IsRgba8(*png));
  EXPECT_TRUE(output.Queued().empty());
}

// The rose is replaced by rename: a reader never meets a partial file. The
// roses are drawn beforehand (drawing is checked above); each rewrite encodes
// and replaces the file as every publication does.
TEST(WindRose, ReaderAlwaysDecodesAWholePngDuringRewrites) {
  images_test::TempDir cache(images_test::FastTempBase());
  images_test::RecordingOutput output;
  IconPublisher publisher(output, cache.path());
  const RgbaImage roses[] = {DrawWindRoseImage(Background(), 30),
                             DrawWindRoseImage(Background(), 210)};
  ASSERT_TRUE(publisher.WindRose(0));
  std::atomic<bool> done{false};
  std::atomic<int> reads{0}, failures{0};
  std::thread reader([&] {
    while (!done.load()) {
      const auto bytes = images_test::ReadBytes(cache.file(kWindRoseFile));
#ifdef _WIN32
      // Windows refuses an open while the file is being replaced: a reader
      // tries again. What does open must be whole.
      if (bytes.empty()) continue;
#endif
      const auto png = images_test::DecodePng(bytes);
      if (!png || png->width != 200 || png->height != 200) failures.fetch_add(1);
      reads.fetch_add(1);
      std::this_thread::yield();
    }
  });
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(publisher.PublishIcon(roses[i % 2], kWindRoseFile));
  done.store(true);
  reader.join();
  EXPECT_GT(reads.load(), 0);
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(cache.names(), std::vector<std::string>{kWindRoseFile})
      << "no temporary file left behind";
}

}  // namespace
}  // namespace agent::images
