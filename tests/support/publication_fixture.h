#pragma once
// An agent context over a fake clock in a fresh temporary directory, with the
// journal written to a file the test can read back.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "agent/core/agent_context.h"
#include "platform/env.h"

namespace publication_test {

class PublicationFixture : public ::testing::Test {
 protected:
  PublicationFixture();
  ~PublicationFixture() override;

  void SetSetting(const std::string& group, const std::string& key, const std::string& value);
  void AddStreamFile(const std::string& key, const std::string& value);
  // The journal's texts (from the engine tag on), in order.
  std::vector<std::string> JournalLines() const;
  // The journal lines that start with `prefix`.
  std::vector<std::string> JournalLinesStartingWith(const std::string& prefix) const;
  bool JournalHas(const std::string& line) const;

  std::string Path(const std::string& relative) const { return directory_ + "/" + relative; }
  static void WriteBytes(const std::string& path, const std::string& bytes);
  static std::string ReadBytes(const std::string& path);

  std::string directory_;
  platform::FakeClock clock_;
  std::unique_ptr<agent::AgentContext> context_;
};

}  // namespace publication_test
