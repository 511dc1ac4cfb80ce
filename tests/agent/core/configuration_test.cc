#include "agent/core/configuration.h"

#include <gtest/gtest.h>

#include "tests/agent/core/agent_fixture.h"

namespace {

using agent::ConfigTable;
using agent::LoadIniText;

TEST(IniSyntax, GroupsKeysCommentsAndBlanks) {
  ConfigTable table;
  int count = LoadIniText(
      "orphan=never read\r\n"
      "; a comment\r\n"
      "\r\n"
      "  [GENERAL]\r\n"
      "\tCache \t=  \t#REPCOURANT#cache  \r\n"
      "RefreshServices=30\n"
      "[LOG\n"
      "File=journal.log\r"
      "Type=html\n"
      "  ;File=ignored\n",
      table, "");
  EXPECT_EQ(count, 4);
  EXPECT_EQ(agent::SettingText(table, "GENERAL", "Cache"), "#REPCOURANT#cache  ");
  EXPECT_EQ(agent::SettingNumber(table, "GENERAL", "RefreshServices"), 30);
  EXPECT_EQ(agent::SettingText(table, "LOG", "File"),
            "journal.log");  // "]" missing, CR alone ends a line
  EXPECT_EQ(agent::SettingText(table, "LOG", "Type"), "html");
  const agent::ConfigEntry* entry = table.Find("GENERAL_Cache");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->group, "GENERAL");
  EXPECT_EQ(entry->key, "Cache");
}

TEST(IniSyntax, DuplicatesCaseAndMalformedLines) {
  ConfigTable table;
  LoadIniText(
      "[FTP]\nserver=a@21\nserver=b@2121\n"
      "[General]\nCache=x\n"
      "[USERDATA]\nline without equals\n=no key\nA=1=2\n",
      table, "");
  EXPECT_EQ(agent::SettingText(table, "FTP", "server"), "b@2121");  // second wins
  EXPECT_FALSE(agent::HasSetting(table, "GENERAL", "Cache"));       // case of the group matters
  EXPECT_TRUE(agent::HasSetting(table, "General", "Cache"));
  EXPECT_TRUE(agent::HasSetting(table, "USERDATA", "line without equals"));
  EXPECT_EQ(agent::SettingText(table, "USERDATA", "A"), "1=2");
  EXPECT_EQ(table.Count(), 4u);  // the empty key is skipped
}

TEST(IniSyntax, OneSectionIsFoundWithoutRegardToCaseAndKeepsTheCallersName) {
  ConfigTable table;
  const char* text =
      "[general]\nCache=c\n[streamfile]\nindex=site/index.html\nmeteo=site/meteo.html\n"
      "[StreamFile]\nlater=not read\n";
  EXPECT_EQ(LoadIniText(text, table, "STREAMFILE"), 2);
  EXPECT_EQ(agent::SettingText(table, "STREAMFILE", "index"), "site/index.html");
  EXPECT_EQ(table.Find("STREAMFILE_index")->group, "STREAMFILE");
  EXPECT_FALSE(agent::HasSetting(table, "STREAMFILE", "later"));
  ConfigTable none;
  EXPECT_EQ(LoadIniText(text, none, "USERDATA"), 0);
}

TEST(IniSyntax, EncodingsOfTheFile) {
  ConfigTable marked, legacy, utf8;
  LoadIniText(
      "\xEF\xBB\xBF[USERDATA]\nVille=Orl\xC3\xA9"
      "ans\n",
      marked, "");
  EXPECT_EQ(agent::SettingText(marked, "USERDATA", "Ville"),
            "Orl\xC3\xA9"
            "ans");
  LoadIniText(
      "[USERDATA]\nVille=Orl\xE9"
      "ans\n",
      legacy, "");
  EXPECT_EQ(agent::SettingText(legacy, "USERDATA", "Ville"),
            "Orl\xC3\xA9"
            "ans");
  LoadIniText(
      "[USERDATA]\nVille=Orl\xC3\xA9"
      "ans\n",
      utf8, "");
  EXPECT_EQ(agent::SettingText(utf8, "USERDATA", "Ville"),
            "Orl\xC3\xA9"
            "ans");
}

TEST(IniSyntax, MissingFileGivesAnEmptyTable) {
  ConfigTable table;
  EXPECT_EQ(
      agent::LoadIniSection(platform::Env::Default(), "/nonexistent/tvl_brumalweb.ini", table, ""),
      0);
}

TEST(NumberRule, DigitsSignsAndBases) {
  using agent::ParseSettingNumber;
  EXPECT_EQ(ParseSettingNumber("  12abc"), 12);
  EXPECT_EQ(ParseSettingNumber("abc"), 0);
  EXPECT_EQ(ParseSettingNumber(""), 0);
  EXPECT_EQ(ParseSettingNumber("$1F"), 31);
  EXPECT_EQ(ParseSettingNumber("$1f"), 31);
  EXPECT_EQ(ParseSettingNumber("%101"), 5);
  EXPECT_EQ(ParseSettingNumber("%102"), 2);
  EXPECT_EQ(ParseSettingNumber("\t-45"), -45);
  EXPECT_EQ(ParseSettingNumber("+7"), 7);
  EXPECT_EQ(ParseSettingNumber("3.9"), 3);
  EXPECT_EQ(ParseSettingNumber("- 3"), 0);
}

TEST(NumberRule, TheAgentUsesTheLow32Bits) {
  EXPECT_EQ(agent::ParseSettingNumber("4294967297"), 4294967297LL);
  EXPECT_EQ(agent::ParseSettingInt32("4294967297"), 1);
  EXPECT_EQ(agent::ParseSettingInt32("2147483648"), -2147483647 - 1);
  EXPECT_EQ(agent::ParseSettingInt32("99999999999999999999999"),
            agent::ParseSettingInt32("99999999999999999999999"));
}

TEST(NumberRule, DecimalSizeAcceptsCommaOrPoint) {
  EXPECT_DOUBLE_EQ(agent::ParseSettingDecimal("0,5"), 0.5);
  EXPECT_DOUBLE_EQ(agent::ParseSettingDecimal("1.25"), 1.25);
  EXPECT_DOUBLE_EQ(agent::ParseSettingDecimal("abc"), 0.0);
  EXPECT_DOUBLE_EQ(agent::ParseSettingDecimal(""), 0.0);
}

using Settings = AgentFixture;

TEST_F(Settings, AbsentKeysReadAsEmptyAndZeroWithoutBeingAdded) {
  Configure("[CONSOLE]\ntype=IP\nConnectionTimeout=  15s\n");
  EXPECT_EQ(context_->Setting("CONSOLE", "type"), "IP");
  EXPECT_EQ(context_->SettingNumber("CONSOLE", "ConnectionTimeout"), 15);
  EXPECT_EQ(context_->Setting("CONSOLE", "adresse"), "");
  EXPECT_EQ(context_->SettingNumber("GENERAL", "RefreshServices"), 0);
  EXPECT_FALSE(context_->HasSetting("SERVICES", "CurrentData"));
  EXPECT_EQ(context_->state.configuration.Count(), 2u);
}

}  // namespace
