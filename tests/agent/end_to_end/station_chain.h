#pragma once
// The whole acquisition chain of the running agent against the console simulator: console-sim
// on 127.0.0.1, the real station library over TCP, the agent's binding, acquisition engine and
// service scheduler, the tag families and the catalogue, on a fake clock.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "agent/acquisition/acquisition_engine.h"
#include "agent/acquisition/service_scheduler.h"
#include "agent/acquisition/service_table.h"
#include "agent/core/agent_context.h"
#include "agent/families/current_data.h"
#include "agent/families/family_slots.h"
#include "platform/env.h"
#include "tools/console-sim/launcher.h"

namespace agent::testing {

class StationChainTest : public ::testing::Test {
 protected:
  // A frozen simulator whose firmware has the second-format packet and the repeater status.
  void SetUp() override;
  void TearDown() override;

  // Loads `ini` (plus the console address and a journal file), declares the services it names,
  // installs the tag families with `images`, and writes the start-up placeholders.
  void Start(const std::string& ini, CurrentDataImages images = {});
  // One acquisition pass, then one service scheduler pass.
  void Collect();
  // Fixes simulator readings, in the console's raw units.
  void SetReadings(const nlohmann::json& readings);
  void WriteMemory(int address, std::initializer_list<int> bytes);

  std::string Tag(std::string_view name);
  std::string Journal() const;
  std::string TcpAddress() const;

  std::filesystem::path work_;
  platform::FakeClock clock_;
  std::unique_ptr<consolesim::Launcher> sim_;
  std::unique_ptr<AgentContext> context_;
  std::unique_ptr<StationLibrary> library_;
  ServiceTable services_;
  FamilySlots slots_;
  StationTimeSlot station_time_;
  // Every connection state the engine showed, in order.
  std::vector<int> states_;
  // Called with each connection state after it is recorded.
  std::function<void(int state)> connection_icon_;
  std::unique_ptr<AcquisitionEngine> engine_;
  std::unique_ptr<ServiceScheduler> scheduler_;
};

}  // namespace agent::testing
