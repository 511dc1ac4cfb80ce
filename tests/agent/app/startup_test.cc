#include "agent/app/startup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>

#include "agent/catalogue/value_catalogue.h"
#include "tests/agent/core/agent_fixture.h"

namespace {

using Startup = AgentFixture;

std::string Tag(agent::AgentContext& context, const char* name) {
  std::lock_guard<platform::EnvMutex> lock(context.state.catalogue_lock);
  return agent::ReadTag(context.state.catalogue, name);
}

TEST_F(Startup, JournalLinesAndTagsOfAStartWithUserData) {
  Write("tvl_brumalweb.ini",
        "[LOG]\nFile=journal.log\n[USERDATA]\nNomStation=Brumal\nTitreApplication=mine\n"
        "[STREAMFILE]\nindex=site/index.html\n[GENERAL]\nCache=#REPCOURANT#cache\\\n");
  agent::Agent agent(std::move(context_));
  agent::AgentContext& context = agent.context();
  agent::RunStartup(agent, agent::CoreStartupSteps());
  EXPECT_EQ(Read("journal.log"),
            "06/12/2026 21:46:36 :[BRUMALWEB] : Insertion des données utilisateur dans la "
            "catalogue des valeurs.\r\n"
            "06/12/2026 21:46:36 :[BRUMALWEB] : Insertion des données utilisateur effectuées.\r\n");
  EXPECT_EQ(Tag(context, "NomStation"), "Brumal");
  EXPECT_EQ(Tag(context, "TitreApplication"), "Tavrel Brumalis WEB");  // built-in wins
  EXPECT_EQ(Tag(context, "TitreApplicationGlobal"), "Tavrel Brumalis WEB v1.0");
  EXPECT_EQ(Tag(context, "VersionApplication"), "1.0");
  EXPECT_EQ(Tag(context, "TempExt"), "---");
  EXPECT_EQ(context.state.stream_files.Count(), 1u);
  EXPECT_EQ(context.cache_directory, dir_ + "/cache");
  EXPECT_TRUE(platform::DirectoryExists(Path("cache")));
  EXPECT_TRUE(context.state.templates_due.IsSet());
}

TEST_F(Startup, EmptyUserDataIsLoggedAndInsertsNothing) {
  Write("tvl_brumalweb.ini", "[LOG]\nFile=journal.log\nType=csv\n[USERDATA]\n");
  agent::Agent agent(std::move(context_));
  agent::AgentContext& context = agent.context();
  agent::RunStartup(agent, agent::CoreStartupSteps());
  EXPECT_EQ(Read("journal.log"),
            "06/12/2026 21:46:36;0;[BRUMALWEB] : Pas de données utilisateurs à ajouter.\r\n");
  EXPECT_EQ(context.cache_directory, "");
  EXPECT_EQ(context.CacheDirectoryPath(), dir_);
}

TEST_F(Startup, WithoutConfigurationNothingIsWrittenAndTheTablesAreEmpty) {
  agent::Agent agent(std::move(context_));
  agent::AgentContext& context = agent.context();
  agent::RunStartup(agent, agent::CoreStartupSteps());
  EXPECT_EQ(platform::ListDirectory(dir_, "*"), std::vector<std::string>{});
  EXPECT_EQ(context.state.configuration.Count(), 0u);
  EXPECT_EQ(context.journal.Setting("fichier"), "");
  EXPECT_EQ(Tag(context, "TitreApplicationGlobal"), "Tavrel Brumalis WEB v1.0");
}

TEST_F(Startup, ListingTagsWritesNoJournalAndShowsUserDataAndPlaceholders) {
  Write("tvl_brumalweb.ini", "[LOG]\nFile=journal.log\n[USERDATA]\nVille=Brest\n");
  agent::Agent agent(std::move(context_));
  std::string listing = agent::ListTagsAfterStartup(agent, agent::CoreStartupSteps());
  EXPECT_NE(listing.find("TitreApplicationGlobal = Tavrel Brumalis WEB v1.0\n"), std::string::npos);
  EXPECT_NE(listing.find("Ville = Brest\n"), std::string::npos);
  EXPECT_NE(listing.find("HiLow_Day_Bar_VH_Date = ---\n"), std::string::npos);
  EXPECT_NE(listing.find("Alertes = Aucune alerte en cours.\n"), std::string::npos);
  EXPECT_FALSE(platform::FileExists(Path("journal.log")));
  // 216 placeholders, 3 application tags, 2 start-up values, 1 user tag, sorted.
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 222);
  EXPECT_LT(listing.find("Alertes ="), listing.find("Ville ="));
}

TEST_F(Startup, MainLoopStopsAndJoinsEveryWorker) {
  agent::Agent agent(std::move(context_));
  agent::AgentContext& context = agent.context();
  std::atomic<int> wake_ups{0};
  for (int i = 0; i < 3; ++i)
    agent.StartWorker([&wake_ups](agent::AgentContext& context) {
      while (context.Sleep(1000)) ++wake_ups;
    });
  int waits = 0;
  agent::RunMainLoop(agent, [&](std::int64_t ms) {
    EXPECT_EQ(ms, 2000);
    return ++waits == 3;  // a stop signal on the third wait
  });
  EXPECT_EQ(waits, 3);
  EXPECT_EQ(agent.WorkerCount(), 0u);
  EXPECT_TRUE(context.StopRequested());
  EXPECT_FALSE(context.Sleep(1));
}

}  // namespace

namespace {

TEST_F(Startup, AnEscapedExceptionEndsOneEngineWithAJournalLine) {
  Configure("[LOG]\nFile=journal.log\n");
  agent::Agent agent(std::move(context_));
  agent.StartWorker([](agent::AgentContext&) { throw std::runtime_error("panne"); });
  agent.StopAndJoinWorkers();
  EXPECT_EQ(Read("journal.log"),
            "06/12/2026 21:46:36 :[BRUMALWEB] : Arrêt inattendu d'un moteur : panne\r\n");
}

}  // namespace
