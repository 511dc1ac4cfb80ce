#include "agent/acquisition/service_scheduler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "agent/acquisition/catalogue_dump.h"
#include "agent/catalogue/value_catalogue.h"
#include "platform/files.h"
#include "tests/agent/acquisition/engine_fixture.h"

namespace agent::testing {
namespace {

using ServiceSchedulerTest = EngineFixture;

TEST_F(ServiceSchedulerTest, RunsTheBuildersOfCollectedServicesAndDumps) {
  Configure(
      "[GENERAL]\nMarkerFile=marqueur.txt\n[SERVICES]\nCurrentData=10\nHiLow=10\n"
      "Calibration=10\n");
  std::vector<std::string> built;
  services_.SetBuilder("CurrentData", [&] {
    built.push_back("CurrentData");
    SetTag(context_->state.catalogue, "TempExt", "12.5");
  });
  services_.SetBuilder("HiLow", [&] { built.push_back("HiLow"); });
  ServiceScheduler scheduler(*context_, services_, station_time_);

  context_->state.connected.Set();
  EXPECT_FALSE(scheduler.RunPass());  // nothing collected yet
  EXPECT_EQ(context_->state.templates_due.Get(), 0);

  services_.Find("CurrentData")->flag = 1;
  services_.Find("Calibration")->flag = 1;
  EXPECT_TRUE(scheduler.RunPass());
  EXPECT_EQ(built, std::vector<std::string>{"CurrentData"});
  EXPECT_EQ(services_.Find("Calibration")->flag, 0);
  EXPECT_EQ(context_->state.templates_due.Get(), 1);

  std::string dump;
  ASSERT_TRUE(platform::ReadFile((work_ / "marqueur.txt").string(), dump));
  EXPECT_NE(dump.find("TempExt = 12.5\r\n"), std::string::npos);
}

TEST_F(ServiceSchedulerTest, PublishesTheStationTimeAfterEachPass) {
  Configure("[SERVICES]\nCurrentData=10\n");
  station_time_.Store(OrbiskDateTime{7, 9, 5, 3, 2010});
  context_->state.connected.Set();
  ServiceScheduler scheduler(*context_, services_, station_time_);
  scheduler.RunPass();
  EXPECT_EQ(Tag("TempStation"), "05/03/2010 09h07");
  EXPECT_EQ(Tag("TempStation_Heure"), "9");
}

TEST_F(ServiceSchedulerTest, CollectedDataIsBuiltAfterTheLinkClosed) {
  Configure("[SERVICES]\nHiLow=10\n");
  int builds = 0;
  services_.SetBuilder("HiLow", [&] { ++builds; });
  services_.Find("HiLow")->flag = 1;
  ServiceScheduler scheduler(*context_, services_, station_time_);
  EXPECT_TRUE(scheduler.RunPass());
  EXPECT_EQ(builds, 1);
  EXPECT_FALSE(scheduler.RunPass());
}

TEST_F(ServiceSchedulerTest, NoMarkerFileWithoutItsSetting) {
  Configure("[SERVICES]\nCurrentData=10\n");
  context_->state.connected.Set();
  ServiceScheduler(*context_, services_, station_time_).RunPass();
  for (const auto& entry : std::filesystem::directory_iterator(work_)) {
    EXPECT_EQ(entry.path().filename(), "journal.log");
  }
}

TEST_F(ServiceSchedulerTest, AReaderNeverSeesAPartialDump) {
  const std::string path = (work_ / "dump.txt").string();
  ValueCatalogue catalogue;
  for (int i = 0; i < 200; ++i) SetTag(catalogue, "Tag" + std::to_string(i), "value");
  ASSERT_TRUE(WriteCatalogueDump(platform::Env::Default(), catalogue, path));
  const std::string expected = FormatCatalogueDump(catalogue);

  std::atomic<bool> writing{true};
  std::atomic<int> partial{0};
  std::thread reader([&] {
    std::string seen;
    while (writing.load()) {
      if (platform::ReadFile(path, seen) && seen != expected) ++partial;
    }
  });
  for (int i = 0; i < 1000; ++i)
    ASSERT_TRUE(WriteCatalogueDump(platform::Env::Default(), catalogue, path));
  writing = false;
  reader.join();
  EXPECT_EQ(partial.load(), 0);
}

}  // namespace
}  // namespace agent::testing
