// The acquisition engine over the real station library, deployed from the carried copy, against
// the console simulator on TCP and on its pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "agent/acquisition/carried_libraries.h"
#include "platform/environment.h"
#include "tests/agent/acquisition/engine_fixture.h"
#include "tools/console-sim/launcher.h"

namespace agent::testing {
namespace {

class EndToEndTest : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    sim_ = std::make_unique<consolesim::Launcher>(
        std::vector<std::string>{"--start", "2026-03-10 08:00:00"});
  }
  void TearDown() override {
    if (engine_ && context_->state.connected.IsSet()) engine_->Connector().CloseLink(link_type_);
    EngineFixture::TearDown();
    sim_.reset();
    platform::SetEnvironmentVariable("ORBISKPRO_COM5", std::nullopt);
  }

  // The engine with the real library: deployed into the working directory, loaded from there.
  AcquisitionEngine& RealEngine() {
    AcquisitionHooks hooks;
    hooks.library_places = {work_.string(), ""};
    hooks.deploy_libraries = [this] {
      DeployLibraries(platform::Env::Default(), CarriedLibraries(), work_.string());
    };
    hooks.connection_icon = [this](int state) { icons_.push_back(state); };
    engine_ =
        std::make_unique<AcquisitionEngine>(*context_, real_, services_, station_time_, hooks);
    return *engine_;
  }

  std::string TcpAddress() { return "127.0.0.1@" + std::to_string(sim_->TcpPort()); }

  std::unique_ptr<consolesim::Launcher> sim_;
  StationLibrary real_{[this](const std::string& line) { LogMessage(*context_, line); }};
  int link_type_ = kLinkTcpIp;
};

TEST_F(EndToEndTest, ConnectsOverTcpAndCollectsTheCalibration) {
  Configure("[CONSOLE]\ntype=IP\nadresse=" + TcpAddress() +
            "\nConnectionTimeout=5\n[SERVICES]\nCalibration=3600\n");
  RealEngine().RunPass();
  EXPECT_TRUE(JournalHoldsInOrder({
      "(MoteurRecupDonnees] : Tentative de connexion : IP : " + TcpAddress(),
      "[MoteurRecupDonnees] : OK:\nIP : " + TcpAddress(),
      "[MoteurRecupDonnees] : Connexion réussi",
      "[MoteurRecupDonnees] : Calibration",
  }));
  EXPECT_EQ(services_.Find("Calibration")->flag, 1) << Journal();
  EXPECT_EQ(station_time_.Load().year, 2026);
}

TEST_F(EndToEndTest, ConnectsOverThePseudoTerminal) {
  platform::SetEnvironmentVariable("ORBISKPRO_COM5", sim_->PtyPath());
  link_type_ = kLinkSerial;
  Configure(
      "[CONSOLE]\ntype=SERIAL\nadresse=COM5\nConnectionTimeout=5\n"
      "[SERVICES]\nCalibration=3600\n");
  RealEngine().RunPass();
  EXPECT_TRUE(JournalHoldsInOrder({
      "(MoteurRecupDonnees] : Tentative de connexion : SERIAL : COM5",
      "[MoteurRecupDonnees] : OK:\nSERIAL : COM5",
      "[MoteurRecupDonnees] : Connexion réussi",
      "[MoteurRecupDonnees] : Calibration",
  }));
  EXPECT_EQ(services_.Find("Calibration")->flag, 1) << Journal();
}

TEST_F(EndToEndTest, ASleepingConsoleFailsWithTheInitialisationTimeout) {
  sim_->Control({{"cmd", "fault"}, {"name", "asleep"}});
  Configure("[CONSOLE]\ntype=IP\nadresse=" + TcpAddress() + "\nConnectionTimeout=2\n");
  auto start = std::chrono::steady_clock::now();
  RealEngine().RunPass();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4500));
  EXPECT_EQ(JournalCount("32700 | Problème de démarrage avec la librairie OrbiskPro.dll."), 1u)
      << Journal();
  EXPECT_EQ(context_->state.connected.Get(), 0);
}

TEST_F(EndToEndTest, AClosedPortIsACommunicationError) {
  std::string address = TcpAddress();
  sim_->Stop();
  Configure("[CONSOLE]\ntype=IP\nadresse=" + address + "\nConnectionTimeout=2\n");
  RealEngine().RunPass();
  EXPECT_EQ(JournalCount("32701 | Erreur de communication entre l'application et la console."), 1u)
      << Journal();
  EXPECT_EQ(icons_, std::vector<int>{kConnectionFailed});
}

}  // namespace
}  // namespace agent::testing
