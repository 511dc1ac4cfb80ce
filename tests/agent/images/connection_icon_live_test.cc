// The connection icon as the acquisition engine drives it against the console simulator, on
// the fake clock: read back from the cache directory with libpng after every pass.
#include <gtest/gtest.h>

#include <filesystem>

#include "agent/images/agent_icons.h"
#include "agent/images/carried_images.h"
#include "tests/agent/end_to_end/station_chain.h"
#include "tests/agent/images/image_test_support.h"

namespace agent::testing {
namespace {

using images::CarriedImage;
using images::CarriedPixels;

class ConnectionIconLiveTest : public StationChainTest {
 protected:
  void SetUp() override {
    StationChainTest::SetUp();
    std::filesystem::create_directory(work_ / "cache");
    context_->cache_directory = "cache";
    connection_icon_ = [this](int state) {
      images::SetConnectionIcon(*context_, state);
      if (state == kConnectedAtPassStart && lengthen_pass_) clock_.AdvanceMs(kLongPassMs + 1);
    };
    Start("");  // no service: the passes only connect and read the console clock
  }
  std::string IconPath() const { return (work_ / "cache" / images::kConnectionIconFile).string(); }
  // True when the icon file holds exactly the pixels of `image`.
  bool IconShows(CarriedImage image) {
    const auto png = images_test::ReadPngFile(IconPath());
    return png && images_test::IsRgba8(*png) && png->pixels == CarriedPixels(image);
  }
  // One pass of the engine with the icon file removed first, so the pass must write it.
  void PassFromNoIcon() {
    std::filesystem::remove(IconPath());
    clock_.AdvanceMs(2000);
    engine_->RunPass();
  }

  bool lengthen_pass_ = false;
};

TEST_F(ConnectionIconLiveTest, EveryConnectedPassShowsActivityAndAFailedAttemptShowsNok) {
  for (int pass = 0; pass < 3; ++pass) {
    PassFromNoIcon();
    EXPECT_TRUE(IconShows(CarriedImage::kConnectionActivity)) << "pass " << pass;
  }
  EXPECT_EQ(states_, (std::vector<int>{kJustConnected, kConnectedAtPassStart, kConnectedAtPassStart,
                                       kConnectedAtPassStart}));

  // A pass that outlasts its limit closes the link: the plain connected picture.
  lengthen_pass_ = true;
  PassFromNoIcon();
  EXPECT_TRUE(IconShows(CarriedImage::kConnectionOk));
  EXPECT_EQ(states_.back(), kClosedAfterLongPass);

  // With the console gone, the next attempt fails and leaves the NOK picture.
  lengthen_pass_ = false;
  sim_->Stop();
  PassFromNoIcon();
  EXPECT_EQ(states_.back(), kConnectionFailed);
  EXPECT_TRUE(IconShows(CarriedImage::kConnectionFailed));
  bool queued = false;
  context_->state.upload_queue.ForEach(
      [&](const std::string&, const std::string& path) { queued |= path == IconPath(); });
  EXPECT_TRUE(queued);
}

}  // namespace
}  // namespace agent::testing
