// The real program for TVL_LIVE_SECONDS (60 by default) against console-sim
// and pyftpdlib, for the sanitizer builds (make test-asan, make test-tsan): it
// must publish, stop cleanly on SIGTERM and leave no sanitizer report. Not a
// CTest case: it runs in real time.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/support/live_agent.h"

namespace {

TEST(AgentLiveRun, PublishesAndStopsWithoutASanitizerReport) {
  const char* text = std::getenv("TVL_LIVE_SECONDS");
  const int seconds = text && *text ? std::atoi(text) : 60;
  test_support::LiveAgent agent;
  ASSERT_TRUE(agent.running()) << agent.error();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const int status = agent.Stop();
  const std::string output = agent.Output();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status << "\n"
                                                             << output;
  for (const char* report : {"Sanitizer", "runtime error:"})
    EXPECT_EQ(output.find(report), std::string::npos) << output;
  EXPECT_NE(agent.Uploaded("data.json").find("\"temp_ext\""), std::string::npos);
}

}  // namespace
