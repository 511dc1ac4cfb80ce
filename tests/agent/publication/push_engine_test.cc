// The push engine against a real FTP server on 127.0.0.1 (passive and active)
// and against a scripted misbehaving one.

#include "agent/publication/push_engine.h"

#include <gtest/gtest.h>

#include <thread>

#include "agent/core/upload_queue.h"
#include "agent/publication/template_engine.h"
#include "tests/support/publication_fixture.h"
#include "tests/support/real_ftp_server.h"
#include "tests/support/scripted_ftp_server.h"

namespace {

using namespace agent::publication;
using std::chrono::milliseconds;

// The real client with short waits, so a silent server fails the test fast.
std::unique_ptr<agent::FtpConnection> ShortWaitClient(agent::FtpSettings settings) {
  settings.connect_timeout = milliseconds(2000);
  settings.reply_timeout = milliseconds(1000);
  settings.stall_timeout = milliseconds(1000);
  return agent::MakeFtpClient(std::move(settings));
}

class PushEngineTest : public publication_test::PublicationFixture {
 protected:
  PushSettings Settings(std::uint16_t port, int passive, const std::string& password = "s3cret") {
    PushSettings settings;
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.user = "meteo";
    settings.password = password;
    settings.passive = passive;
    settings.root = "meteo\\site/jour";
    return settings;
  }
  std::string QueueFile(const std::string& name, const std::string& bytes) {
    WriteBytes(Path("out/" + name), bytes);
    QueueUpload(*context_, Path("out/" + name));
    return Path("out/" + name);
  }
  void Push(const PushSettings& settings, const UploadObserver& observer = {}) {
    RunOnePush(*context_, settings, ShortWaitClient, observer);
  }
  std::size_t Queued() const { return context_->state.upload_queue.Count(); }
  // One push with the client's own one-minute waits, stopped 200 ms after its
  // start; how long it lasted.
  milliseconds PushStoppedMidway(const PushSettings& settings) {
    std::thread stopper([this] {
      std::this_thread::sleep_for(milliseconds(200));
      context_->RequestStop();
    });
    const auto started = std::chrono::steady_clock::now();
    RunOnePush(*context_, settings, agent::MakeFtpClient);
    const auto took = std::chrono::steady_clock::now() - started;
    stopper.join();
    return std::chrono::duration_cast<milliseconds>(took);
  }
};

class RealServerPush : public PushEngineTest, public ::testing::WithParamInterface<int> {
 protected:
  test_support::RealFtpServer server_;
};

TEST_P(RealServerPush, FilledTemplatesArriveByteForByteInTheRemoteTree) {
  ASSERT_TRUE(server_.running()) << server_.error();
  context_->cache_directory = Path("cache");
  context_->state.catalogue.Set("TempExt", "12.5");
  WriteBytes(Path("site/index.htm"),
             "\xEF\xBB\xBF<p>#TempExt# \xC2\xB0"
             "C</p>\n\n<i>#Absent#</i>\n");
  AddStreamFile("Accueil", Path("site/index.htm"));
  context_->state.templates_due.Set();
  RunTemplatePass(*context_);
  QueueFile("image.png", std::string("\x89PNG\r\n\x1a\n\0\xff", 10));

  std::vector<std::string> uploaded;
  Push(Settings(server_.port(), GetParam()),
       [&uploaded](const std::string& path) { uploaded.push_back(path); });

  EXPECT_EQ(server_.ReadFile("meteo/site/jour/index.htm"),
            "<p>12.5 \xC2\xB0"
            "C</p>\r\n<i>#Absent#</i>\r\n");
  EXPECT_EQ(server_.ReadFile("meteo/site/jour/image.png"),
            std::string("\x89PNG\r\n\x1a\n\0\xff", 10));
  EXPECT_EQ(Queued(), 0u);
  EXPECT_EQ(uploaded.size(), 2u);
  EXPECT_TRUE(
      JournalHas("[MoteurPushFTP] : Connexion en mode passif ? " + std::to_string(GetParam())));
  EXPECT_TRUE(JournalHas("[MoteurPushFTP] : Ouverture du FTP OK"));
  EXPECT_EQ(JournalLinesStartingWith("[MoteurPushFTP] : Déplacement dans le répertoire => "),
            (std::vector<std::string>{"[MoteurPushFTP] : Déplacement dans le répertoire => ",
                                      "[MoteurPushFTP] : Déplacement dans le répertoire => meteo",
                                      "[MoteurPushFTP] : Déplacement dans le répertoire => site",
                                      "[MoteurPushFTP] : Déplacement dans le répertoire => jour",
                                      "[MoteurPushFTP] : Déplacement dans le répertoire => "}));
  EXPECT_TRUE(JournalHas("[MoteurPushFTP] : Nombre de fichiers à traiter pour le transfert : 2"));
  EXPECT_EQ(JournalLinesStartingWith("[MoteurPushFTP] : Envoye FTP effectuée correctement.").size(),
            2u);
  EXPECT_TRUE(JournalHas("[MoteurPushFTP] : Fermeture de la connexion FTP"));
}

TEST_P(RealServerPush, FailedOpenKeepsTheQueueAndTheNextPushSendsAll) {
  ASSERT_TRUE(server_.running()) << server_.error();
  QueueFile("a.htm", "a");
  QueueFile("b.htm", "b");
  Push(Settings(server_.port(), GetParam(), "wrong"));
  EXPECT_TRUE(JournalHas("[MoteurPushFTP] : Erreur d'ouverture du FTP"));
  EXPECT_FALSE(JournalHas("[MoteurPushFTP] : Fermeture de la connexion FTP"));
  EXPECT_EQ(Queued(), 2u);

  Push(Settings(0, GetParam()));
  EXPECT_EQ(JournalLinesStartingWith("[MoteurPushFTP] : Erreur d'ouverture du FTP").size(), 2u);
  EXPECT_EQ(Queued(), 2u);

  Push(Settings(server_.port(), GetParam()));
  EXPECT_EQ(server_.ReadFile("meteo/site/jour/a.htm"), "a");
  EXPECT_EQ(server_.ReadFile("meteo/site/jour/b.htm"), "b");
  EXPECT_EQ(Queued(), 0u);
}

TEST_P(RealServerPush, StoppedServerKeepsTheQueue) {
  ASSERT_TRUE(server_.running()) << server_.error();
  QueueFile("a.htm", "a");
  const std::uint16_t port = server_.port();
  server_.Stop();
  Push(Settings(port, GetParam()));
  EXPECT_TRUE(JournalHas("[MoteurPushFTP] : Erreur d'ouverture du FTP"));
  EXPECT_EQ(Queued(), 1u);
}

TEST_P(RealServerPush, VanishedLocalFileIsDroppedAndThePushGoesOn) {
  ASSERT_TRUE(server_.running()) << server_.error();
  QueueUpload(*context_, Path("out/gone.htm"));
  QueueFile("kept.htm", "k");
  Push(Settings(server_.port(), GetParam()));
  EXPECT_TRUE(JournalHas("[MoteurPushFTP] : Le fichier " + Path("out/gone.htm") +
                         " n'existe plus, il est retiré de la file d'attente."));
  EXPECT_EQ(server_.ReadFile("meteo/site/jour/kept.htm"), "k");
  EXPECT_EQ(Queued(), 0u);
}

INSTANTIATE_TEST_SUITE_P(PassiveAndActive, RealServerPush, ::testing::Values(1, 0));

TEST_F(PushEngineTest, EmptyQueueStillConnectsAndCountsZero) {
  test_support::ScriptedFtpServer server;
  PushSettings settings = Settings(server.port(), 1);
  settings.root = "";
  Push(settings);
  EXPECT_EQ(JournalLinesStartingWith("[MoteurPushFTP] : Déplacement dans le répertoire => ").size(),
            3u);
  EXPECT_TRUE(JournalHas("[MoteurPushFTP] : Nombre de fichiers à traiter pour le transfert : 0"));
  EXPECT_FALSE(server.received("STOR"));
}

TEST_F(PushEngineTest, RefusedStoreStopsThePushAndKeepsEveryEntry) {
  test_support::ScriptedFtpOptions options;
  options.replies["STOR"] = {"452 Disk full"};
  test_support::ScriptedFtpServer server(options);
  QueueFile("a.htm", "a");
  QueueFile("b.htm", "b");
  QueueFile("c.htm", "c");
  Push(Settings(server.port(), 1));
  EXPECT_EQ(JournalLinesStartingWith("[MoteurPushFTP] : Erreur de transfert FTP sur le fichier : ")
                .size(),
            1u);
  EXPECT_EQ(JournalLinesStartingWith("[MoteurPushFTP] : Transfert du fichier => ").size(), 1u);
  EXPECT_EQ(Queued(), 3u);
  EXPECT_TRUE(JournalHas("[MoteurPushFTP] : Fermeture de la connexion FTP"));
}

TEST_F(PushEngineTest, ServerThatFallsSilentTimesOut) {
  test_support::ScriptedFtpOptions options;
  options.replies["PASS"] = {"", test_support::ScriptedReply::Then::kFallSilent};
  test_support::ScriptedFtpServer server(options);
  QueueFile("a.htm", "a");
  Push(Settings(server.port(), 1));
  EXPECT_TRUE(JournalHas("[MoteurPushFTP] : Erreur d'ouverture du FTP"));
  EXPECT_EQ(Queued(), 1u);
}

// The agent's stop ends a push at once whatever the server leaves it waiting
// for, and the file stays queued for the next push.
TEST_F(PushEngineTest, AStopEndsTheWaitForTheReplyAfterTheData) {
  test_support::ScriptedFtpOptions options;
  options.silent_after_data = true;
  test_support::ScriptedFtpServer server(options);
  QueueFile("a.htm", "a");
  EXPECT_LT(PushStoppedMidway(Settings(server.port(), 1)), milliseconds(2000));
  EXPECT_EQ(server.files().count("a.htm"), 1u);  // the server had it, never said so
  EXPECT_EQ(Queued(), 1u);
}

TEST_F(PushEngineTest, AStopEndsAStalledDataConnection) {
  test_support::ScriptedFtpOptions options;
  options.stall_data = true;
  test_support::ScriptedFtpServer server(options);
  QueueFile("big.bin", std::string(48 << 20, 'x'));  // more than the socket buffers hold
  EXPECT_LT(PushStoppedMidway(Settings(server.port(), 0)), milliseconds(2000));
  EXPECT_EQ(Queued(), 1u);
}

TEST_F(PushEngineTest, AStopEndsAConnectThatNobodyAnswers) {
  // A listener whose backlog is full drops every further handshake.
  platform::net::Listener full = platform::net::ListenTcp("127.0.0.1", 0, 0);
  ASSERT_TRUE(full.ok());
  std::vector<platform::net::Socket> queued;
  for (int i = 0; i < 8; ++i) {
    auto filler = platform::net::ConnectTcp("127.0.0.1", full.port,
                                            platform::net::DeadlineAfter(milliseconds(300)));
    if (!filler.ok()) break;
    queued.push_back(std::move(filler.socket));
  }
  QueueFile("a.htm", "a");
  EXPECT_LT(PushStoppedMidway(Settings(full.port, 1)), milliseconds(2000));
  EXPECT_TRUE(JournalHas("[MoteurPushFTP] : Erreur d'ouverture du FTP"));
  EXPECT_EQ(Queued(), 1u);
}

TEST_F(PushEngineTest, EachFailedStepIsDetailedInFrenchWithoutThePassword) {
  using Then = test_support::ScriptedReply::Then;
  struct Case {
    const char* verb;  // empty: the greeting
    test_support::ScriptedReply reply;
    const char* detail;
  };
  const Case cases[] = {
      {"",
       {"530 Authentication failed.", Then::kCloseConnection},
       "étape connexion, réponse du serveur : 530 Authentication failed."},
      {"PASS",
       {"530-No such user/password:\r\n530 meteo/s3cret", Then::kCarryOn},
       "étape identification, réponse du serveur : 530-No such user/password: 530 meteo/****"},
      {"CWD", {"", Then::kCloseConnection}, "étape répertoire, connexion de contrôle perdue"},
      {"STOR", {"", Then::kFallSilent}, "étape transfert, pas de réponse du serveur dans le délai"},
      {"QUIT", {"", Then::kCloseConnection}, "étape fermeture, connexion de contrôle perdue"},
  };
  QueueFile("a.htm", "a");
  std::size_t seen = 0;
  for (const Case& c : cases) {
    test_support::ScriptedFtpOptions options;
    (*c.verb ? options.replies[c.verb] : options.greeting) = c.reply;
    test_support::ScriptedFtpServer server(options);
    Push(Settings(server.port(), 1));
    const auto details = JournalLinesStartingWith("[MoteurPushFTP] : Détail : ");
    ASSERT_EQ(details.size(), seen + 1) << c.detail;
    EXPECT_EQ(details.back(), std::string("[MoteurPushFTP] : Détail : ") + c.detail);
    seen = details.size();
  }
  for (const std::string& line : JournalLines())
    EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
}

TEST_F(PushEngineTest, FileNameWithLineBreakIsNeverSent) {
  test_support::ScriptedFtpServer server;
  QueueFile("evil\r\nDELE x.htm", "e");
  Push(Settings(server.port(), 1));
  EXPECT_FALSE(server.received("STOR"));
  EXPECT_FALSE(server.received("DELE"));
  EXPECT_EQ(JournalLinesStartingWith("[MoteurPushFTP] : Erreur de transfert FTP sur le fichier : ")
                .size(),
            1u);
  EXPECT_EQ(Queued(), 1u);
}

TEST_F(PushEngineTest, LoopPushesOnlyWhenAskedAndStaysIdleWithoutHost) {
  test_support::ScriptedFtpServer server;
  SetSetting("FTP", "server", "127.0.0.1@" + std::to_string(server.port()));
  SetSetting("FTP", "passive", "1");
  QueueFile("a.htm", "a");
  int sleeps = 0;
  clock_.SetSleepHook([&](std::int64_t ms) {
    EXPECT_EQ(ms, 1000);
    if (++sleeps == 2) context_->state.push_due.Set();
    if (sleeps == 4) context_->RequestStop();
  });
  RunFtpPush(*context_, ShortWaitClient);
  EXPECT_EQ(server.files().count("a.htm"), 1u);
  EXPECT_EQ(JournalLinesStartingWith("[MoteurPushFTP] : Connexion en mode passif ? 1").size(), 1u);
  EXPECT_FALSE(context_->state.push_due.IsSet());
}

TEST_F(PushEngineTest, EmptyHostSwitchesTheEngineOff) {
  QueueFile("a.htm", "a");
  context_->state.push_due.Set();
  clock_.SetSleepHook([&](std::int64_t) {
    if (clock_.SleepCount() == 5) context_->RequestStop();
  });
  RunFtpPush(*context_, ShortWaitClient);
  EXPECT_EQ(JournalLines().size(), 1u);  // only the queueing line
  EXPECT_EQ(Queued(), 1u);
}

}  // namespace
