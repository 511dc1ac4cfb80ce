#include "platform/environment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/env.h"
#include "platform/files.h"

namespace {

using namespace platform;

TEST(Environment, SetReadListAndRemove) {
  SetEnvironmentVariable("TVL_TEST_VARIABLE", "a=b");
  EXPECT_EQ(GetEnvironmentVariable("TVL_TEST_VARIABLE"), "a=b");
  auto all = EnvironmentVariables();
  EXPECT_NE(std::find(all.begin(), all.end(),
                      std::make_pair(std::string("TVL_TEST_VARIABLE"), std::string("a=b"))),
            all.end());
  SetEnvironmentVariable("TVL_TEST_VARIABLE", std::nullopt);
  EXPECT_FALSE(GetEnvironmentVariable("TVL_TEST_VARIABLE").has_value());
}

TEST(Environment, ProgramDirectoryFollowsTheHomeVariable) {
  SetEnvironmentVariable("TVL_BRUMALWEB_HOME", std::nullopt);
  EXPECT_EQ(ProgramDirectory(Env::Default()), DirectoryPart(OwnExecutablePath()));
  EXPECT_THAT(FileNamePart(OwnExecutablePath()), testing::StartsWith("platform_system_test"));
  SetEnvironmentVariable("TVL_BRUMALWEB_HOME", "/var/lib/brumal/");
  EXPECT_EQ(ProgramDirectory(Env::Default()), "/var/lib/brumal");
  SetEnvironmentVariable("TVL_BRUMALWEB_HOME", "");
  EXPECT_EQ(ProgramDirectory(Env::Default()), DirectoryPart(OwnExecutablePath()));
  SetEnvironmentVariable("TVL_BRUMALWEB_HOME", std::nullopt);
}

TEST(Environment, CurrentDirectoryIsAnExistingAbsolutePath) {
  std::string cwd = CurrentDirectory();
  EXPECT_TRUE(IsAbsolutePath(cwd));
  EXPECT_TRUE(DirectoryExists(cwd));
}

}  // namespace
