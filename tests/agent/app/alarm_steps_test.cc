// The alarm steps of the agent's start-up: the Alarm row of the service table,
// the quiet picture of InitialiseTags and the watch thread.
#include "agent/app/alarm_steps.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "agent/app/acquisition_steps.h"
#include "agent/app/startup.h"
#include "tests/agent/core/agent_fixture.h"

namespace agent {
namespace {

class AlarmStartupTest : public AgentFixture {};

TEST_F(AlarmStartupTest, TheStepsFillTheAlarmRowDrawTheQuietPictureAndStartTheWatch) {
  Agent agent(std::move(context_));
  InstallAlarmServiceStep(agent);
  const ServiceRow* alarm = agent.services().Find("Alarm");
  ASSERT_NE(alarm, nullptr);
  EXPECT_TRUE(alarm->collect);
  EXPECT_TRUE(alarm->build);

  // The first drawings end with the quiet alert picture.
  for (const ImageHook& hook : FirstImageHooks(agent)) hook();
  EXPECT_TRUE(std::filesystem::exists(Path("ico_alerte.png")));
  EXPECT_EQ(agent.alarm_watch().ImageState(), AlertImageState::kQuiet);

  StartAlarmWatchStep(agent);
  EXPECT_EQ(agent.WorkerCount(), 1u);
  agent.StopAndJoinWorkers();
}

}  // namespace
}  // namespace agent
