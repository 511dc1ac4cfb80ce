// The publication engines as the start-up runs them: the push thread, the
// site synchronisation, then the template filling thread, against a real FTP
// server on 127.0.0.1.

#include "agent/app/publication_steps.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "agent/publication/site_sync.h"
#include "platform/files.h"
#include "tests/support/publication_fixture.h"
#include "tests/support/real_ftp_server.h"
#include "tests/support/wait_for.h"

namespace {

using namespace agent::publication;

// Waits for the engines' network work (a few ms per step), at most 10 s.
class PublicationStepsTest : public publication_test::PublicationFixture {
 protected:
  void Configure(const test_support::RealFtpServer& server) {
    SetSetting("FTP", "server", "127.0.0.1@" + std::to_string(server.port()));
    SetSetting("FTP", "username", "meteo");
    SetSetting("FTP", "password", "s3cret");
    SetSetting("FTP", "passive", "1");
    SetSetting("FTP", "root", "www");
    SetSetting("FTP", "LocalRepository", "#REPCOURANT#site");
    context_->cache_directory = Path("cache");
    context_->state.catalogue.Set("TempExt", "7.5");
    AddStreamFile("Accueil", Path("modeles/index.htm"));
  }
  void StartPublication(agent::Agent& agent) {
    StartFtpPushStep(agent);
    SynchroniseSiteStep(agent);
    StartTemplateEngineStep(agent);
  }
  static std::size_t Queued(agent::AgentContext& context) {
    std::lock_guard<platform::EnvMutex> lock(context.state.queue_lock);
    return context.state.upload_queue.Count();
  }
};

TEST_F(PublicationStepsTest, FirstStartUploadsSiteAndPagesAndTheNextStartOnlyThePages) {
  test_support::RealFtpServer server;
  ASSERT_TRUE(server.running()) << server.error();
  Configure(server);
  WriteBytes(Path("site/index.css"), "css");
  WriteBytes(Path("site/images/fond.png"), "png");
  WriteBytes(Path("modeles/index.htm"), "T=#TempExt#\n");
  context_->state.templates_due.Set();
  {
    agent::Agent agent(std::move(context_));
    StartPublication(agent);
    ASSERT_TRUE(test_support::WaitFor([&] {
      return platform::FileExists(SyncMarkerPath(agent.context())) &&
             server.HasFile("www/index.htm") && Queued(agent.context()) == 0;
    })) << server.log();
  }
  EXPECT_EQ(server.ReadFile("www/fond.png"), "png");
  EXPECT_EQ(server.ReadFile("www/index.css"), "css");
  EXPECT_EQ(server.ReadFile("www/index.htm"), "T=7.5\r\n");
  EXPECT_EQ(JournalLinesStartingWith("[SynchroSite] : Création du fichier indice.").size(), 1u);

  // The next start: the site is not queued again, the pages are.
  server.Stop();
  test_support::RealFtpServer next;
  ASSERT_TRUE(next.running()) << next.error();
  agent::AgentPaths paths;
  paths.working_directory = directory_;
  paths.program_directory = directory_ + "/program";
  paths.program_path = paths.program_directory + "/tvl_brumalweb";
  context_ = std::make_unique<agent::AgentContext>(clock_, paths);
  SetSetting("LOG", "File", directory_ + "/journal.log");
  Configure(next);
  context_->state.templates_due.Set();
  {
    agent::Agent agent(std::move(context_));
    StartPublication(agent);
    ASSERT_TRUE(test_support::WaitFor([&] {
      return next.HasFile("www/index.htm") && Queued(agent.context()) == 0;
    })) << next.log();
  }
  EXPECT_FALSE(next.HasFile("www/fond.png"));
  EXPECT_TRUE(JournalHas(
      "[SynchroSite] : Le fichier indice existe, pas besoin de faire une synchronisation."));
}

}  // namespace
