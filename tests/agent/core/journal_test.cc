#include "agent/core/journal.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "tests/agent/core/agent_fixture.h"

namespace {

using Journal = AgentFixture;

std::size_t CountLines(const std::string& text) {
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  return lines;
}

TEST_F(Journal, TextLineOfTheAgent) {
  Configure("[LOG]\nFile=journal.log\n");
  agent::LogMessage(*context_, "[BRUMALWEB] : Pas de données utilisateurs à ajouter.");
  EXPECT_EQ(Read("journal.log"),
            "06/12/2026 21:46:36 :[BRUMALWEB] : Pas de données utilisateurs à ajouter.\r\n");
}

TEST_F(Journal, CsvInAnyCaseAndHtmlWithItsHeaderOnce) {
  Configure("[LOG]\nFile=j.csv\nType=CSV\n");
  agent::LogMessage(*context_, "un");
  EXPECT_EQ(Read("j.csv"), "06/12/2026 21:46:36;0;un\r\n");

  Configure("[LOG]\nFile=j.html\nType=html\n");
  agent::LogMessage(*context_, "un");
  agent::LogMessage(*context_, "deux");
  EXPECT_EQ(Read("j.html"), std::string(agent::kHtmlJournalHeader) +
                                "<TR><TD>06/12/2026 21:46:36</TD><TD>0</TD><TD>un</TD></TR>\r\n"
                                "<TR><TD>06/12/2026 21:46:36</TD><TD>0</TD><TD>deux</TD></TR>\r\n");
}

TEST_F(Journal, DeletedHtmlJournalStartsAgainWithTheHeader) {
  Configure("[LOG]\nFile=j.html\nType=html\n");
  agent::LogMessage(*context_, "un");
  platform::DeleteFile(Path("j.html"));
  agent::LogMessage(*context_, "deux");
  EXPECT_EQ(Read("j.html").rfind(agent::kHtmlJournalHeader, 0), 0u);
}

TEST_F(Journal, LevelsPrefixesIndentationAndDateMasks) {
  agent::Journal journal(clock_);
  const std::string file = Path("levels.log");
  ASSERT_EQ(journal.WriteJournal("a", "fichier=" + file + ";niv=err1"), 1);
  ASSERT_EQ(journal.WriteJournal("b", "niv=att3"), 1);
  ASSERT_EQ(journal.WriteJournal("c", "niv=NIV;nivgbl=2"), 1);
  ASSERT_EQ(journal.WriteJournal("d", "niv=;nivgbl=0;formatdate=%yy%mm%dd-%hh%ii%ss"), 1);
  ASSERT_EQ(journal.WriteJournal("e", "formatdate=0"), 1);
  EXPECT_EQ(Read("levels.log"),
            "06/12/2026 21:46:36 : X-> a\r\n"
            "06/12/2026 21:46:36 : \t\t!-> b\r\n"
            "06/12/2026 21:46:36 : \t-> c\r\n"
            "261206-214636 :d\r\n"
            " :e\r\n");
  ASSERT_EQ(journal.WriteJournal("f", "type=csv;niv=err1;formatdate=%dd"), 1);
  EXPECT_NE(Read("levels.log").find("06;ERR1;f\r\n"), std::string::npos);
}

TEST_F(Journal, SettingsPersistAndValuesStopAtASecondEquals) {
  agent::Journal journal(clock_);
  EXPECT_EQ(journal.Setting("formatdate"), agent::kDefaultJournalDateMask);
  journal.WriteJournal("x", "FICHIER=" + Path("a.log") + "=ignored;Type=csv");
  EXPECT_EQ(journal.Setting("fichier"), Path("a.log"));
  EXPECT_EQ(journal.Setting("type"), "csv");
  EXPECT_EQ(journal.WriteJournal("y", ""), 1);  // the file is remembered
  EXPECT_EQ(CountLines(Read("a.log")), 2u);
}

TEST_F(Journal, PathIsCutAtSemicolonOrSecondEquals) {
  Configure("[LOG]\nFile=cut.log;rest.log\n");
  agent::LogMessage(*context_, "x");
  EXPECT_TRUE(platform::FileExists(Path("cut.log")));
  Configure("[LOG]\nFile=eq.log=rest.log\n");
  agent::LogMessage(*context_, "x");
  EXPECT_TRUE(platform::FileExists(Path("eq.log")));
}

TEST_F(Journal, DroppedWithoutFileOrBeforeConfiguration) {
  agent::LogMessage(*context_, "before configuration");
  agent::Journal journal(clock_);
  EXPECT_EQ(journal.WriteJournal("x", ""), 0);
  EXPECT_EQ(journal.WriteJournal("x", "fichier=" + Path("a/b/c.log")), 0);  // one level only
  EXPECT_EQ(platform::ListDirectory(dir_, "*"), std::vector<std::string>{});
  EXPECT_EQ(journal.WriteJournal("x", "fichier=" + Path("logs/c.log")), 1);  // one level is made
}

TEST_F(Journal, ArchivesAtTheSizeLimitAndStartsANewHtmlJournal) {
  Configure("[LOG]\nFile=journal.log\nSize=0,5\nType=html\n");
  int messages = 0;
  while (platform::FileSize(Path("journal.log")) < 512) {
    agent::LogMessage(*context_, "message " + std::to_string(messages++));
    ASSERT_LT(messages, 100);
  }
  EXPECT_FALSE(platform::FileExists(Path("journal.0.log")));
  agent::LogMessage(*context_, "next");
  EXPECT_TRUE(platform::FileExists(Path("journal.0.log")));
  EXPECT_EQ(Read("journal.log"),
            std::string(agent::kHtmlJournalHeader) +
                "<TR><TD>06/12/2026 21:46:36</TD><TD>0</TD><TD>next</TD></TR>\r\n");
}

TEST_F(Journal, LinesWrittenAtOnceAreArchivedWhereEachWouldHaveBeen) {
  Configure("[LOG]\nFile=journal.log\nSize=0,05\n");  // 51 bytes: two lines of 29
  agent::LogMessages(*context_, {"line 1", "line 2", "line 3", "line 4", "line 5"});
  EXPECT_EQ(Read("journal.0.log"),
            "06/12/2026 21:46:36 :line 1\r\n06/12/2026 21:46:36 :line 2\r\n");
  EXPECT_EQ(Read("journal.1.log"),
            "06/12/2026 21:46:36 :line 3\r\n06/12/2026 21:46:36 :line 4\r\n");
  EXPECT_EQ(Read("journal.log"), "06/12/2026 21:46:36 :line 5\r\n");
}

TEST_F(Journal, FullArchivesAreDeletedThenNumberingStartsAgain) {
  Configure("[LOG]\nFile=journal.log\nSize=0,01\nNumberOfArchive=2\n");
  for (const char* archive : {"journal.0.log", "journal.1.log", "journal.2.log"})
    Write(archive, "old");
  Write("journal.log", "already longer than ten bytes\r\n");
  Write("other.log", "kept");
  agent::LogMessage(*context_, "first");
  EXPECT_EQ(platform::ListDirectory(dir_, "journal.*"), std::vector<std::string>{"journal.log"});
  EXPECT_EQ(CountLines(Read("journal.log")), 2u);  // the line went to the oversize journal
  agent::LogMessage(*context_, "second");
  EXPECT_TRUE(platform::FileExists(Path("journal.0.log")));
  EXPECT_EQ(Read("journal.log"), "06/12/2026 21:46:36 :second\r\n");
  EXPECT_TRUE(platform::FileExists(Path("other.log")));
}

TEST_F(Journal, ANameWithoutExtensionIsNeverArchived) {
  Configure("[LOG]\nFile=journal\nSize=0,01\nNumberOfArchive=1\n");
  for (int i = 0; i < 5; ++i) agent::LogMessage(*context_, "line");
  EXPECT_EQ(platform::ListDirectory(dir_, "journal*"), std::vector<std::string>{"journal"});
  EXPECT_EQ(CountLines(Read("journal")), 5u);
}

TEST_F(Journal, UnreadableSizeMeansNoLimit) {
  Configure("[LOG]\nFile=j.log\nSize=big\n");
  for (int i = 0; i < 50; ++i) agent::LogMessage(*context_, "line");
  EXPECT_EQ(CountLines(Read("j.log")), 50u);
}

TEST(JournalNames, OnlyTheFinalExtensionIsNumbered) {
  EXPECT_EQ(agent::JournalArchiveName("journal.log", 0), "journal.0.log");
  EXPECT_EQ(agent::JournalArchiveName("catalog.log", 12), "catalog.12.log");
  EXPECT_EQ(agent::JournalArchiveName("journal", 3), "journal");
}

TEST_F(Journal, DatePlaceholdersGiveOneJournalPerDay) {
  Configure("[LOG]\nFile=#REPCOURANT#brumal_#a##m##j#.log\n");
  agent::LogMessage(*context_, "samedi");
  clock_.AdvanceMs(24LL * 3600 * 1000);
  agent::LogMessage(*context_, "dimanche");
  EXPECT_EQ(Read("brumal_20261206.log"), "06/12/2026 21:46:36 :samedi\r\n");
  EXPECT_EQ(Read("brumal_20261207.log"), "07/12/2026 21:46:36 :dimanche\r\n");
}

TEST_F(Journal, AFullDiskCostsEachLineOneAttemptAndWritingResumesByItself) {
  Configure("[LOG]\nFile=journal.log\n");
  agent::LogMessage(*context_, "before");
  disk_.no_space = true;
  for (int i = 0; i < 1000; ++i)
    EXPECT_EQ(context_->journal.WriteJournal("lost " + std::to_string(i), ""), 0);
  EXPECT_EQ(disk_.failed_writes, 1000);  // never retried
  disk_.no_space = false;
  agent::LogMessage(*context_, "after");
  EXPECT_EQ(Read("journal.log"), "06/12/2026 21:46:36 :before\r\n06/12/2026 21:46:36 :after\r\n");
}

TEST_F(Journal, AFailingKindOfFileIsJournalledOnceAndAgainWhenItWorks) {
  Configure("[LOG]\nFile=journal.log\n");
  const platform::FileStatus full(platform::FileError::kNoSpace);
  for (int pass = 0; pass < 50; ++pass) {
    EXPECT_FALSE(context_->NoteWrite(agent::WrittenFile::kTemplate, full, "T fails", "T works"));
    context_->NoteWrite(agent::WrittenFile::kImage,
                        platform::FileStatus(platform::FileError::kDenied), "I fails", "I works");
  }
  EXPECT_TRUE(context_->NoteWrite(agent::WrittenFile::kTemplate, {}, "T fails", "T works"));
  context_->NoteWrite(agent::WrittenFile::kTemplate, {}, "T fails", "T works");
  const std::string stamp = "06/12/2026 21:46:36 :";
  EXPECT_EQ(Read("journal.log"), stamp + "T fails (disque plein)\r\n" + stamp +
                                     "I fails (accès refusé)\r\n" + stamp + "T works\r\n");
}

TEST_F(Journal, ConcurrentMessagesAreNeverLost) {
  Configure("[LOG]\nFile=busy.log\nSize=4\nNumberOfArchive=1000\n");
  constexpr int kThreads = 4, kMessages = 250;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([this, t] {
      for (int m = 0; m < kMessages; ++m)
        agent::LogMessage(*context_,
                          "thread " + std::to_string(t) + " message " + std::to_string(m));
    });
  for (auto& thread : threads) thread.join();
  std::size_t lines = 0;
  for (const std::string& name : platform::ListDirectory(dir_, "busy*.log"))
    lines += CountLines(Read(name));
  EXPECT_EQ(lines, static_cast<std::size_t>(kThreads * kMessages));
}

}  // namespace

namespace {

// The directory is made once; a journal whose directory goes away while the
// agent runs gets it back at the next line.
TEST_F(Journal, ItsDirectoryIsMadeAgainWhenRemoved) {
  Configure("[LOG]\nFile=logs/journal.log\n");
  agent::LogMessage(*context_, "un");
  ASSERT_TRUE(platform::RemoveTree(Path("logs")));
  agent::LogMessage(*context_, "deux");
  EXPECT_EQ(Read("logs/journal.log"), "06/12/2026 21:46:36 :deux\r\n");
}

TEST_F(Journal, ALimitBelowHalfAByteIsNoLimit) {
  Configure("[LOG]\nFile=j.log\nSize=0,0001\n");
  for (int i = 0; i < 3; ++i) agent::LogMessage(*context_, "line");
  EXPECT_EQ(platform::ListDirectory(dir_, "j*"), std::vector<std::string>{"j.log"});
}

}  // namespace
