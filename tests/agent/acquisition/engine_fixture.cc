#include "tests/agent/acquisition/engine_fixture.h"

#include <fstream>
#include <sstream>

#include "agent/catalogue/value_catalogue.h"
#include "agent/families/calibration_collection.h"

namespace agent::testing {

namespace fs = std::filesystem;

void EngineFixture::SetUp() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  work_ = fs::temp_directory_path() / ("acq-" + std::string(test->test_suite_name()) + "-" +
                                       test->name() + "-" + std::to_string(::getpid()));
  fs::remove_all(work_);
  fs::create_directories(work_);
  context_ = std::make_unique<AgentContext>(
      clock_, AgentPaths{work_.string(), work_.string(), (work_ / "tvl_brumalweb").string()});
  library_.Attach(InstallFakeStation());
}

void EngineFixture::TearDown() {
  engine_.reset();
  fs::remove_all(work_);
}

void EngineFixture::Configure(const std::string& ini) {
  services_.SetCollector("Calibration", CollectCalibration);
  std::string text = ini + "\n[LOG]\nFile=" + (work_ / "journal.log").string() + "\n";
  LoadIniText(text, context_->state.configuration, "");
  services_.Declare(kServiceList, [this](std::string_view name) {
    return context_->HasSetting("SERVICES", name);
  });
}

AcquisitionEngine& EngineFixture::Engine() {
  if (!engine_) {
    AcquisitionHooks hooks;
    hooks.connection_icon = [this](int state) { icons_.push_back(state); };
    engine_ =
        std::make_unique<AcquisitionEngine>(*context_, library_, services_, station_time_, hooks);
  }
  return *engine_;
}

std::string EngineFixture::Journal() const {
  std::ifstream in(work_ / "journal.log", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string EngineFixture::Tag(std::string_view name) {
  std::lock_guard<platform::EnvMutex> hold(context_->state.catalogue_lock);
  return ReadTag(context_->state.catalogue, name);
}

bool EngineFixture::JournalHoldsInOrder(const std::vector<std::string>& lines) const {
  std::string journal = Journal();
  std::size_t at = 0;
  for (const std::string& line : lines) {
    at = journal.find(line, at);
    if (at == std::string::npos) {
      ADD_FAILURE() << "missing in order: " << line << "\njournal:\n" << journal;
      return false;
    }
    at += line.size();
  }
  return true;
}

std::size_t EngineFixture::JournalCount(const std::string& text) const {
  std::string journal = Journal();
  std::size_t count = 0;
  for (std::size_t at = journal.find(text); at != std::string::npos;
       at = journal.find(text, at + text.size())) {
    ++count;
  }
  return count;
}

}  // namespace agent::testing
