#include "agent/core/placeholders.h"

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "tests/agent/core/agent_fixture.h"

namespace {

agent::PlaceholderSources Sources() {
  agent::PlaceholderSources s;
  s.environment = {{"PATH", "/usr/bin"}, {"Home", "/home/meteo"}};
  s.now = platform::LocalTime{2026, 12, 6, 9, 5, 3};
  s.working_directory = "/srv/brumal";
  s.program_path = "/opt/bin/tvl_brumalweb.exe";
  return s;
}

TEST(ExpandPlaceholders, OwnPlaceholders) {
  auto s = Sources();
  EXPECT_EQ(agent::ExpandPlaceholders("#REPCOURANT#cache", s), "/srv/brumal/cache");
  EXPECT_EQ(agent::ExpandPlaceholders("#a#-#m#-#j#", s), "2026-12-06");
  EXPECT_EQ(agent::ExpandPlaceholders("#h#:#s# v#version#", s), "09:03 v1.0");
  EXPECT_EQ(agent::ExpandPlaceholders("#NOMPROGRAMME#.log", s), "tvl_brumalweb.log");
}

TEST(ExpandPlaceholders, EnvironmentNamesIgnoreCaseOwnNamesDoNot) {
  auto s = Sources();
  EXPECT_EQ(agent::ExpandPlaceholders("#PATH#:#path#:#HOME#", s), "/usr/bin:/usr/bin:/home/meteo");
  EXPECT_EQ(agent::ExpandPlaceholders("#repcourant#x#A#", s), "#repcourant#x#A#");
}

TEST(ExpandPlaceholders, UnknownNamesAndLoneHashesStay) {
  auto s = Sources();
  EXPECT_EQ(agent::ExpandPlaceholders("a#unknown#b", s), "a#unknown#b");
  EXPECT_EQ(agent::ExpandPlaceholders("#", s), "#");
  EXPECT_EQ(agent::ExpandPlaceholders("##a##m#", s), "#202612");
  EXPECT_EQ(agent::ExpandPlaceholders("", s), "");
  // A value holding a placeholder is not expanded again.
  s.environment = {{"LOOP", "#LOOP#"}};
  EXPECT_EQ(agent::ExpandPlaceholders("#LOOP#", s), "#LOOP#");
}

TEST(ExpandPlaceholders, ProgramNameLosesEveryExactExe) {
  auto s = Sources();
  s.program_path = "C:\\meteo\\tvl.exe.brumal.EXE.exe";
  EXPECT_EQ(agent::ExpandPlaceholders("#NOMPROGRAMME#", s), "tvl.brumal.EXE");
}

using ContextExpansion = AgentFixture;

TEST_F(ContextExpansion, UsesTheProcessEnvironmentAndTheFakeClock) {
  platform::SetEnvironmentVariable("TVL_SITE_NAME", "ma-station");
  EXPECT_EQ(context_->Expand("#tvl_site_name#/#a##m##j#.log"), "ma-station/20261206.log");
  platform::SetEnvironmentVariable("TVL_SITE_NAME", std::nullopt);
  EXPECT_EQ(context_->Expand("#REPCOURANT#"), dir_ + "/");
  EXPECT_EQ(context_->ResolvePath("logs\\j.log"), dir_ + "/logs/j.log");
  EXPECT_EQ(context_->ResolvePath("/abs/j.log"), "/abs/j.log");
  EXPECT_EQ(context_->ResolvePath(""), "");
}

using LanguagePack = AgentFixture;

TEST_F(LanguagePack, LoadsFromTheProgramDirectoryOnFirstLookup) {
  EXPECT_EQ(context_->language.Lookup("PREVISION_1"), "");  // no pack yet: retried later
  EXPECT_FALSE(context_->language.Loaded());
  Write("langue.pack", "[PREVISION]\n1=Ensoleill\xC3\xA9\n[VENT]\nN=Nord\n");
  EXPECT_EQ(context_->language.Lookup("PREVISION_1"), "Ensoleill\xC3\xA9");
  EXPECT_EQ(context_->language.Lookup("VENT_N"), "Nord");
  EXPECT_EQ(context_->language.Lookup("VENT_S"), "");
  EXPECT_TRUE(context_->language.Loaded());
}

}  // namespace
