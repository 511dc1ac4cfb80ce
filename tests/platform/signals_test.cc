#include "platform/signals.h"

#include <gtest/gtest.h>
#include <signal.h>

namespace {

TEST(StopSignals, ABlockedSignalIsTakenByTheWait) {
  platform::BlockStopSignals();
  EXPECT_FALSE(platform::WaitForStopSignal(5));
  ASSERT_EQ(::raise(SIGTERM), 0);  // stays pending: the signal is blocked
  EXPECT_TRUE(platform::WaitForStopSignal(1000));
  ASSERT_EQ(::raise(SIGINT), 0);
  EXPECT_TRUE(platform::WaitForStopSignal(0));
  EXPECT_FALSE(platform::WaitForStopSignal(0));
}

}  // namespace
