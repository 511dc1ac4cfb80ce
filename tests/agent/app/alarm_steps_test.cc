// The alarm steps of the agent's start-up: the Alarm row of the service table,
// the quiet picture of InitialiseTags and the watch thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "agent/app/acquisition_steps.h"
#include "agent/app/alarm_steps.h"
#include "agent/app/startup.h"
#include "tests/agent/core/agent_fixture.h"

namespace agent {
namespace {

class AlarmStartupTest : public AgentFixture {};

TEST_F(AlarmStartupTest, TheStepsFillTheAlarmRowDrawTheQuietPictureAndStartTheWatch) {
  StartupRun run(*context_);
  InstallAlarmServiceStep(run);
  const ServiceRow* alarm = Acquisition(*context_).services.Find("Alarm");
  ASSERT_NE(alarm, nullptr);
  EXPECT_TRUE(alarm->collect);
  EXPECT_TRUE(alarm->build);

  ASSERT_NE(std::find(FirstImageHooks().begin(), FirstImageHooks().end(), &PublishStartupAlertImage),
            FirstImageHooks().end());
  PublishStartupAlertImage(*context_);
  EXPECT_TRUE(std::filesystem::exists(Path("ico_alerte.png")));
  EXPECT_EQ(ProcessAlarmWatch(*context_).ImageState(), AlertImageState::kQuiet);

  StartAlarmWatchStep(run);
  EXPECT_EQ(run.WorkerCount(), 1u);
  run.StopAndJoinWorkers();
}

}  // namespace
}  // namespace agent
