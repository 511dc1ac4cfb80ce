#pragma once
// An agent context over a fake clock and a temporary working directory, with the fake station
// attached as the station library.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "agent/acquisition/acquisition_engine.h"
#include "agent/acquisition/service_table.h"
#include "agent/core/agent_context.h"
#include "agent/core/configuration.h"
#include "platform/env.h"
#include "tests/support/fake_station.h"

namespace agent::testing {

class EngineFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads `ini` (plus a journal file in the working directory) and declares the services.
  void Configure(const std::string& ini);
  AcquisitionEngine& Engine();
  // The journal text written so far.
  std::string Journal() const;
  std::string Tag(std::string_view name);
  // True when every text of `lines` appears in the journal in this order.
  bool JournalHoldsInOrder(const std::vector<std::string>& lines) const;
  std::size_t JournalCount(const std::string& text) const;

  std::filesystem::path work_;
  platform::FakeClock clock_;
  std::unique_ptr<AgentContext> context_;
  StationLibrary library_{nullptr};
  ServiceTable services_;
  StationTimeSlot station_time_;
  std::vector<int> icons_;
  std::unique_ptr<AcquisitionEngine> engine_;
};

}  // namespace agent::testing
