#pragma once
// An agent context over a fake clock, a disk that fails on demand and a fresh
// temporary working directory (also the program directory), removed after the test.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "agent/core/agent_context.h"
#include "platform/env.h"
#include "platform/files.h"
#include "tests/support/faulty_disk.h"

class AgentFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = platform::MakeTemporaryDirectory("agent_core_test_");
    ASSERT_FALSE(dir_.empty());
    context_ = std::make_unique<agent::AgentContext>(
        disk_, agent::AgentPaths{dir_, dir_, dir_ + "/tvl_brumalweb"});
  }
  void TearDown() override {
    context_.reset();
    platform::RemoveTree(dir_);
  }

  std::string Path(const std::string& name) const { return platform::JoinPath(dir_, name); }
  void Write(const std::string& name, const std::string& content) {
    platform::DeleteFile(Path(name));
    ASSERT_TRUE(platform::AppendToFile(Path(name), content));
  }
  std::string Read(const std::string& name) const {
    std::string out;
    platform::ReadFile(Path(name), out);
    return out;
  }
  // Loads `ini` as the context's configuration.
  void Configure(const std::string& ini) {
    Write("tvl_brumalweb.ini", ini);
    agent::LoadIniSection(disk_, Path("tvl_brumalweb.ini"), context_->state.configuration, "");
  }

  platform::FakeClock clock_;  // 2026-12-06 21:46:36
  test_support::FaultyDisk disk_{clock_};
  std::string dir_;
  std::unique_ptr<agent::AgentContext> context_;
};
