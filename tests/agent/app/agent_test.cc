// Agents in this process, each against its own console simulator: two publish
// the readings of their own consoles, and stopping one leaves the other
// running; one rides out a full disk.
#include "agent/app/agent.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "agent/app/startup.h"
#include "platform/env.h"
#include "platform/files.h"
#include "tests/support/faulty_disk.h"
#include "tests/support/wait_for.h"
#include "tools/console-sim/launcher.h"

namespace agent {
namespace {

// One station: a simulator with a fixed outside temperature (tenths of °F), a
// working directory with one page, and an agent on a fake clock.
class Station {
 public:
  explicit Station(int outside_temp) : directory_(platform::MakeTemporaryDirectory("tvl_agent_")) {
    simulator_.Control({{"cmd", "set"}, {"readings", {{"outside_temp", outside_temp}}}});
    platform::CreateDirectory(directory_ + "/site");
    platform::AppendToFile(directory_ + "/site/index.html", "T=#TempExt#\n");
    platform::AppendToFile(directory_ + "/tvl_brumalweb.ini",
                           "[GENERAL]\nCache=#REPCOURANT#cache\nRefreshServices=10\n"
                           "MarkerFile=#REPCOURANT#cache\\catalogue.txt\n"
                           "[CONSOLE]\ntype=IP\nadresse=127.0.0.1@" +
                               std::to_string(simulator_.TcpPort()) +
                               "\nConnectionTimeout=5\n"
                               "[SERVICES]\nCurrentData=10\n"
                               "[LOG]\nFile=#REPCOURANT#journal.log\n"
                               "[STREAMFILE]\nindex=#REPCOURANT#site\\index.html\n");
    // Each sleep costs a little real time, so that the engines on the fake
    // clock do not spin while the console answers.
    clock_.SetSleepHook(
        [](std::int64_t) { std::this_thread::sleep_for(std::chrono::milliseconds(2)); });
    agent_ = std::make_unique<Agent>(
        disk_, AgentPaths{directory_, directory_, directory_ + "/tvl_brumalweb"});
  }
  ~Station() {
    agent_.reset();
    platform::RemoveTree(directory_);
  }

  Agent& agent() { return *agent_; }
  consolesim::Launcher& simulator() { return simulator_; }
  test_support::FaultyDisk& disk() { return disk_; }
  const std::string& directory() const { return directory_; }
  std::string Read(const std::string& name) const {
    std::string text;
    platform::ReadFile(directory_ + "/" + name, text);
    return text;
  }
  std::string Page() const { return Read("cache/index.html"); }
  // Journal lines holding `text`.
  int JournalLines(const std::string& text) const {
    int lines = 0;
    const std::string journal = Read("journal.log");
    for (std::size_t at = 0; (at = journal.find(text, at)) != std::string::npos; ++at) ++lines;
    return lines;
  }

 private:
  consolesim::Launcher simulator_;
  platform::FakeClock clock_;
  test_support::FaultyDisk disk_{clock_};
  std::string directory_;
  std::unique_ptr<Agent> agent_;
};

TEST(TwoAgents, EachPublishesTheReadingsOfItsOwnConsole) {
  Station warm(725);  // 22.5 °C
  Station cold(500);  // 10.0 °C
  RunStartup(warm.agent(), StartupSteps());
  RunStartup(cold.agent(), StartupSteps());
  EXPECT_TRUE(test_support::WaitFor(
      [&] {
        return warm.Page().find("T=22.5") != std::string::npos &&
               cold.Page().find("T=10.0") != std::string::npos;
      },
      std::chrono::seconds(30)))
      << warm.Page() << " / " << cold.Page();

  warm.agent().StopAndJoinWorkers();
  EXPECT_FALSE(cold.agent().context().StopRequested());
  EXPECT_TRUE(cold.agent().WorkersAlive());
  EXPECT_GT(cold.agent().WorkerCount(), 0u);
}

TEST(FullDisk, TheAgentKeepsWholeFilesJournalsOnceAndResumesWhenSpaceReturns) {
  Station station(725);  // 22.5 °C
  station.disk().LimitTo(station.directory() + "/cache");
  RunStartup(station.agent(), StartupSteps());
  ASSERT_TRUE(
      test_support::WaitFor([&] { return station.Page().find("T=22.5") != std::string::npos; },
                            std::chrono::seconds(30)));
  station.disk().no_space = true;
  station.simulator().Control({{"cmd", "set"}, {"readings", {{"outside_temp", 500}}}});
  // The pages meet the full disk, then a few more passes. The dump is read once no write can
  // be under way any more: it may have been rewritten with the same values just before.
  ASSERT_TRUE(test_support::WaitFor(
      [&] { return station.JournalLines("Impossible d'écrire le fichier") > 0; },
      std::chrono::seconds(30)));
  const int failed = station.disk().failed_writes;
  ASSERT_TRUE(test_support::WaitFor([&] { return station.disk().failed_writes >= failed + 3; },
                                    std::chrono::seconds(30)));
  const std::string dump = station.Read("cache/catalogue.txt");
  EXPECT_NE(dump.find("TempExt = 22.5"), std::string::npos);  // the old values, whole
  ASSERT_TRUE(test_support::WaitFor([&] { return station.disk().failed_writes >= failed + 6; },
                                    std::chrono::seconds(30)));
  EXPECT_EQ(station.Page().substr(0, 6), "T=22.5");  // the old page, whole
  EXPECT_EQ(station.Read("cache/catalogue.txt"), dump);
  EXPECT_EQ(station.JournalLines("Impossible d'écrire le fichier"), 1);
  EXPECT_EQ(station.JournalLines("pool de PushFTP. (disque plein)"), 1);
  EXPECT_EQ(station.JournalLines("Ecriture impossible du fichier"), 1);
  EXPECT_TRUE(station.agent().WorkersAlive());

  station.disk().no_space = false;
  EXPECT_TRUE(
      test_support::WaitFor([&] { return station.Page().find("T=10.0") != std::string::npos; },
                            std::chrono::seconds(30)));
  // Each kind says once that it writes again.
  EXPECT_TRUE(test_support::WaitFor(
      [&] {
        return station.JournalLines("catalogue.txt de nouveau écrit") == 1 &&
               station.JournalLines("Fichiers remplis de nouveau écrits") == 1;
      },
      std::chrono::seconds(30)));
  EXPECT_EQ(station.JournalLines("Impossible d'écrire le fichier"), 1);
}

}  // namespace
}  // namespace agent
