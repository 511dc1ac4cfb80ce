// The pictures of the running agent: its cache directory and upload queue.
#include "agent/images/agent_icons.h"

#include <gtest/gtest.h>

#include "agent/core/agent_context.h"
#include "agent/images/carried_images.h"
#include "platform/env.h"
#include "tests/agent/images/image_test_support.h"
#include "tests/support/faulty_disk.h"

namespace agent::images {
namespace {

class AgentIconsTest : public ::testing::Test {
 protected:
  images_test::TempDir work_;
  platform::FakeClock clock_;
  test_support::FaultyDisk disk_{clock_};
  AgentContext context_{disk_, AgentPaths{work_.path(), work_.path(), work_.file("tvl_brumalweb")}};

  void SetUp() override {
    std::filesystem::create_directory(work_.file("cache"));
    context_.cache_directory = "cache";
  }
  std::vector<std::string> QueuedPaths() {
    std::vector<std::string> paths;
    context_.state.upload_queue.ForEach(
        [&](const std::string&, const std::string& path) { paths.push_back(path); });
    std::sort(paths.begin(), paths.end());
    return paths;
  }
};

TEST_F(AgentIconsTest, StartupHooksLeaveFiveImagesAndFiveQueueEntries) {
  DrawFirstIcons(context_);
  EXPECT_TRUE(PublishAlertImage(context_, 0));
  images_test::TempDir& dir = work_;
  std::vector<std::string> expected;
  for (const char* name :
       {kAlertIconFile, kConnectionIconFile, kSevereColdIconFile, kRainIconFile, kWindRoseFile})
    expected.push_back(dir.file(std::string("cache/") + name));
  EXPECT_EQ(QueuedPaths(), expected);
  for (const std::string& path : expected) {
    const auto png = images_test::ReadPngFile(path);
    ASSERT_TRUE(png) << path;
    EXPECT_TRUE(images_test::IsRgba8(*png)) << path;
  }
  EXPECT_EQ(images_test::ReadPngFile(expected[1])->pixels,
            CarriedPixels(CarriedImage::kConnectionActivity));
}

TEST_F(AgentIconsTest, AFullDiskKeepsTheOldPictureWholeAndQueuesNothing) {
  ASSERT_TRUE(PublishAlertImage(context_, 0));
  const auto quiet = images_test::ReadPngFile(work_.file("cache/ico_alerte.png"));
  context_.state.upload_queue.Clear();
  disk_.rename_fails = true;
  EXPECT_FALSE(PublishAlertImage(context_, 1));
  disk_.rename_fails = false;
  disk_.no_space = true;
  EXPECT_FALSE(PublishAlertImage(context_, 1));
  EXPECT_EQ(images_test::ReadPngFile(work_.file("cache/ico_alerte.png"))->pixels, quiet->pixels);
  EXPECT_TRUE(QueuedPaths().empty());
  disk_.no_space = false;
  EXPECT_TRUE(PublishAlertImage(context_, 1));
  EXPECT_NE(images_test::ReadPngFile(work_.file("cache/ico_alerte.png"))->pixels, quiet->pixels);
}

TEST_F(AgentIconsTest, ConnectionStatesAndAlertStatesThroughTheAgent) {
  EXPECT_EQ(SetConnectionIcon(context_, 0), 1);
  EXPECT_EQ(images_test::ReadPngFile(work_.file("cache/ico_connexion_console.png"))->pixels,
            CarriedPixels(CarriedImage::kConnectionFailed));
  EXPECT_EQ(SetConnectionIcon(context_, 7), 0);
  EXPECT_FALSE(std::filesystem::exists(work_.file("cache/ico_connexion_console.png")));

  EXPECT_TRUE(PublishAlertImage(context_, 1));
  EXPECT_EQ(images_test::ReadPngFile(work_.file("cache/ico_alerte.png"))->pixels,
            CarriedPixels(CarriedImage::kAlert));
  EXPECT_TRUE(PublishAlertImage(context_, 5));
  EXPECT_EQ(images_test::ReadPngFile(work_.file("cache/ico_alerte.png"))->pixels,
            CarriedPixels(CarriedImage::kNoAlert));
}

TEST_F(AgentIconsTest, EmptyCacheSettingWritesIntoTheWorkingDirectory) {
  context_.cache_directory.clear();
  AgentIcons(context_)->RainIconState(true);
  EXPECT_EQ(QueuedPaths(), std::vector<std::string>{work_.file("ico_pluie.png")});
  EXPECT_TRUE(images_test::ReadPngFile(work_.file("ico_pluie.png")));
}

TEST_F(AgentIconsTest, MissingCacheDirectoryQueuesNothing) {
  context_.cache_directory = "absent";
  DrawFirstIcons(context_);
  EXPECT_EQ(SetConnectionIcon(context_, 3), 0);
  EXPECT_TRUE(QueuedPaths().empty());
  EXPECT_FALSE(std::filesystem::exists(work_.file("absent")));
}

TEST(AgentIcons, PressureTrendIconWritesAtThePathGiven) {
  images_test::TempDir dir;
  EXPECT_EQ(PressureTrendIcon(platform::Env::Default(), "falling rapidly", dir.file("t.png")), 1);
  EXPECT_EQ(images_test::ReadPngFile(dir.file("t.png"))->pixels,
            CarriedPixels(CarriedImage::kTrendFallingRapidly));
  EXPECT_EQ(PressureTrendIcon(platform::Env::Default(), "x", dir.file("no/such/t.png")), 0);
}

}  // namespace
}  // namespace agent::images
