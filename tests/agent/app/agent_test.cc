// Two agents in one process, each against its own console simulator: each
// publishes the readings of its own console, and stopping one leaves the other
// running.
#include "agent/app/agent.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "agent/app/startup.h"
#include "platform/clock.h"
#include "platform/files.h"
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
        clock_, AgentPaths{directory_, directory_, directory_ + "/tvl_brumalweb"});
  }
  ~Station() {
    agent_.reset();
    platform::RemoveTree(directory_);
  }

  Agent& agent() { return *agent_; }
  std::string Page() const {
    std::string page;
    platform::ReadFile(directory_ + "/cache/index.html", page);
    return page;
  }

 private:
  consolesim::Launcher simulator_;
  platform::FakeClock clock_;
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

}  // namespace
}  // namespace agent
