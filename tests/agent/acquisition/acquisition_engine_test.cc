#include "agent/acquisition/acquisition_engine.h"

#include <gtest/gtest.h>

#include "agent/families/calibration_collection.h"
#include "tests/agent/acquisition/engine_fixture.h"

namespace agent::testing {
namespace {

const std::string kTcpConsole =
    "[CONSOLE]\ntype=IP\nadresse=127.0.0.1@22222\nConnectionTimeout=2\n"
    "[SERVICES]\nCalibration=3600\n";

using AcquisitionEngineTest = EngineFixture;

TEST_F(AcquisitionEngineTest, ConnectsThenCollectsWithTheJournalInOrder) {
  Configure(kTcpConsole);
  clock_.SetSleepHook([this](std::int64_t) { context_->RequestStop(); });
  Engine().Run();
  EXPECT_TRUE(JournalHoldsInOrder({
      "[MoteurRecupDonnees] : Initialisation de la connexion",
      "(MoteurRecupDonnees] : Tentative de connexion : IP : 127.0.0.1@22222",
      "[MoteurRecupDonnees] : OK:\nIP : 127.0.0.1@22222",
      "[MoteurRecupDonnees] : Connexion réussi",
      "[MoteurRecupDonnees] : Lancement/vérification des services...",
      "[MoteurRecupDonnees] : Calibration",
  }));
  EXPECT_EQ(Station().LinkCalls(), "tcp 127.0.0.1 22222;");
  EXPECT_EQ(icons_, (std::vector<int>{kJustConnected, kConnectedAtPassStart}));
  EXPECT_EQ(context_->state.connected.Get(), 1);
  EXPECT_EQ(services_.Find("Calibration")->flag, 1);
  // The console clock reached the snapshot.
  EXPECT_EQ(station_time_.Load().year, 2010);
  EXPECT_EQ(JournalCount("Loop Package"), 0u);
}

TEST_F(AcquisitionEngineTest, AClosedPortLogsTheFailureAndItsText) {
  Configure(kTcpConsole);
  Station().open_result = -32701;
  Engine().RunPass();
  EXPECT_TRUE(JournalHoldsInOrder({
      "(MoteurRecupDonnees] : Tentative de connexion : IP : 127.0.0.1@22222",
      "[MoteurRecupDonnees] : Impossible de se connecter à la console :\nIP : 127.0.0.1@22222",
      "[MoteurRecupDonnees] : Impossible de se connecter à la console !",
      "[MoteurRecupDonnees] : Type : IP | Adresse : 127.0.0.1@22222",
      "32701 | Erreur de communication entre l'application et la console.",
  }));
  EXPECT_EQ(Station().init_calls, 0);
  EXPECT_EQ(icons_, std::vector<int>{kConnectionFailed});
  EXPECT_EQ(context_->state.connected.Get(), 0);
  EXPECT_EQ(JournalCount("Connexion réussi"), 0u);
}

TEST_F(AcquisitionEngineTest, AnInitialisationThatFailsReportsItsOwnCodeAndCloses) {
  Configure(kTcpConsole);
  Station().init_result = -32768;
  Engine().RunPass();
  engine_.reset();  // waits for the close
  EXPECT_EQ(JournalCount("32768 | Valeur négative."), 1u);
  EXPECT_EQ(Station().LinkCalls(), "tcp 127.0.0.1 22222;close tcp;");
}

TEST_F(AcquisitionEngineTest, NoLibraryLogsOncePerPassWithoutAttempt) {
  Configure(kTcpConsole);
  StationLibrary absent{nullptr};
  AcquisitionEngine engine(*context_, absent, services_, station_time_,
                           AcquisitionHooks{{(work_ / "none").string(), ""}, nullptr, nullptr});
  engine.RunPass();
  engine.RunPass();
  EXPECT_EQ(JournalCount("[MoteurRecupDonnees] : Erreur d'ouverture de la librairie OrbiskPro.dll"),
            2u);
  EXPECT_EQ(JournalCount("Tentative de connexion"), 0u);
  EXPECT_EQ(Tag("TempProchaineCollecte"), "2");
}

TEST_F(AcquisitionEngineTest, LinkTypesAndAddressForms) {
  Configure("[CONSOLE]\ntype=SERIAL\nadresse=COM3\n");
  Engine().RunPass();
  context_->state.connected.Clear();
  LoadIniText("[CONSOLE]\nadresse=com3@9600\n", context_->state.configuration, "");
  Engine().RunPass();
  context_->state.connected.Clear();
  // An unknown type text keeps the previous link type.
  LoadIniText("[CONSOLE]\ntype=Serie\nadresse=COM4\n", context_->state.configuration, "");
  Engine().RunPass();
  context_->state.connected.Clear();
  LoadIniText("[CONSOLE]\ntype=USB\nadresse=auto\n", context_->state.configuration, "");
  Engine().RunPass();
  EXPECT_EQ(Station().LinkCalls(), "serial 3 19200;serial 3 9600;serial 4 19200;usb 4711;");
  EXPECT_TRUE(JournalHoldsInOrder(
      {"Tentative de connexion : USB : auto", "[MoteurRecupDonnees] : OK:\nUSB : 4711"}));
}

TEST_F(AcquisitionEngineTest, ALongPassClosesTheLinkAndTheNextReconnects) {
  Configure(kTcpConsole);
  services_.SetCollector("Calibration", [this](StationLibrary&) {
    clock_.AdvanceMs(3500);
    return 1;
  });
  Engine().RunPass();
  EXPECT_EQ(Station().LinkCalls(), "tcp 127.0.0.1 22222;close tcp;");
  EXPECT_EQ(icons_.back(), kClosedAfterLongPass);
  EXPECT_EQ(context_->state.connected.Get(), 0);
  Engine().RunPass();
  EXPECT_EQ(JournalCount("Tentative de connexion"), 2u);
}

// A dropped link fails every collection at once: the pass stays short, yet the link must be
// closed so that the next pass reconnects instead of failing for ever.
TEST_F(AcquisitionEngineTest, APassWhoseEveryCollectionFailsClosesTheLink) {
  Configure(kTcpConsole);
  services_.SetCollector("Calibration", [](StationLibrary&) { return 0; });
  Engine().RunPass();
  EXPECT_EQ(Station().LinkCalls(), "tcp 127.0.0.1 22222;close tcp;");
  EXPECT_EQ(JournalCount("[MoteurRecupDonnees] : Aucune collecte réussie, fermeture de la "
                         "connexion à la console."),
            1u);
  EXPECT_EQ(icons_.back(), kClosedAfterLongPass);
  EXPECT_EQ(context_->state.connected.Get(), 0);
  Engine().RunPass();
  EXPECT_EQ(JournalCount("Tentative de connexion"), 2u);
}

TEST_F(AcquisitionEngineTest, OneSuccessfulCollectionKeepsTheLinkOpen) {
  Configure(kTcpConsole + "CurrentData=60\n");
  services_.SetCollector("Calibration", [](StationLibrary&) { return 0; });
  services_.SetCollector("CurrentData", [](StationLibrary&) { return 1; });
  Engine().RunPass();
  EXPECT_EQ(Station().LinkCalls(), "tcp 127.0.0.1 22222;");
  EXPECT_EQ(context_->state.connected.Get(), 1);
}

TEST_F(AcquisitionEngineTest, AConsoleWithoutLoopPackageIsSaidSo) {
  Configure(kTcpConsole);
  Station().loop_supported = 0;
  Engine().RunPass();
  EXPECT_EQ(JournalCount("[MoteurRecupDonnees] : La console ne supporte pas la fonction Loop "
                         "Package."),
            1u);
}

TEST(CalibrationCollection, SucceedsOnValidResultsOnly) {
  StationLibrary library{nullptr};
  EXPECT_EQ(CollectCalibration(library), 0);
  library.Attach(InstallFakeStation());
  EXPECT_EQ(CollectCalibration(library), 1);
  Station().calibration_result = -32701;
  EXPECT_EQ(CollectCalibration(library), 0);
}

}  // namespace
}  // namespace agent::testing
