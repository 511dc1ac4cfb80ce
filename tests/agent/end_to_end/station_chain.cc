#include "tests/agent/end_to_end/station_chain.h"

#include <unistd.h>

#include <fstream>
#include <mutex>
#include <sstream>

#include "agent/catalogue/initial_tags.h"
#include "agent/catalogue/value_catalogue.h"
#include "agent/core/configuration.h"
#include "agent/families/tag_family_services.h"

namespace agent::testing {

namespace fs = std::filesystem;

void StationChainTest::SetUp() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  work_ = fs::temp_directory_path() /
          ("chain-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
  fs::remove_all(work_);
  fs::create_directories(work_);
  // The French forecast texts, as the agent finds them in its program directory.
  fs::copy_file(TVL_LANGUAGE_PACK, work_ / "langue.pack");
  context_ = std::make_unique<AgentContext>(
      clock_, AgentPaths{work_.string(), work_.string(), (work_ / "tvl_brumalweb").string()});
  library_ = std::make_unique<StationLibrary>(
      [this](const std::string& line) { LogMessage(*context_, line); });
  sim_ = std::make_unique<consolesim::Launcher>(
      std::vector<std::string>{"--no-pty", "--start", "2026-12-08 10:00:00"});
  sim_->Control({{"cmd", "freeze"}, {"on", true}});
  sim_->Control({{"cmd", "firmware"}, {"date", "Apr 22 2009"}, {"version", "3.00"}, {"model", 16}});
}

void StationChainTest::TearDown() {
  if (engine_ && context_->state.connected.IsSet()) engine_->Connector().CloseLink(kLinkTcpIp);
  scheduler_.reset();
  engine_.reset();
  sim_.reset();
  library_.reset();
  context_.reset();
  fs::remove_all(work_);
}

std::string StationChainTest::TcpAddress() const {
  return "127.0.0.1@" + std::to_string(sim_->TcpPort());
}

void StationChainTest::Start(const std::string& ini, CurrentDataImages images) {
  std::string text = ini + "\n[CONSOLE]\ntype=IP\nadresse=" + TcpAddress() +
                     "\nConnectionTimeout=5\n[LOG]\nFile=" + (work_ / "journal.log").string() +
                     "\n";
  LoadIniText(text, context_->state.configuration, "");
  services_.Declare(kServiceList, [this](std::string_view name) {
    return context_->HasSetting("SERVICES", name);
  });
  InstallTagFamilies(*context_, services_, slots_, std::move(images));
  InitialiseTags(*context_, {});

  AcquisitionHooks hooks;
  hooks.library_places = {TVL_STATION_LIBRARY_DIR, ""};
  hooks.connection_icon = [this](int state) {
    states_.push_back(state);
    if (connection_icon_) connection_icon_(state);
  };
  engine_ =
      std::make_unique<AcquisitionEngine>(*context_, *library_, services_, station_time_, hooks);
  scheduler_ = std::make_unique<ServiceScheduler>(*context_, services_, station_time_);
}

void StationChainTest::Collect() {
  engine_->RunPass();
  scheduler_->RunPass();
}

void StationChainTest::SetReadings(const nlohmann::json& readings) {
  sim_->Control({{"cmd", "set"}, {"readings", readings}});
}

void StationChainTest::WriteMemory(int address, std::initializer_list<int> bytes) {
  sim_->Control({{"cmd", "memory_write"}, {"address", address}, {"bytes", bytes}});
}

std::string StationChainTest::Tag(std::string_view name) {
  std::lock_guard<platform::EnvMutex> hold(context_->state.catalogue_lock);
  return ReadTag(context_->state.catalogue, name);
}

std::string StationChainTest::Journal() const {
  std::ifstream in(work_ / "journal.log", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace agent::testing
