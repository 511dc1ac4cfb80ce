#include "platform/files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace platform;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTemporaryDirectory("files_test_");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override { RemoveTree(dir_); }
  std::string Path(const std::string& name) const { return JoinPath(dir_, name); }
  std::string Content(const std::string& name) const {
    std::string out;
    ReadFile(Path(name), out);
    return out;
  }
  std::string dir_;
};

TEST_F(FilesTest, AppendCreatesAndNeverTruncates) {
  EXPECT_EQ(FileSize(Path("a.txt")), -1);
  EXPECT_TRUE(AppendToFile(Path("a.txt"), "one\r\n"));
  EXPECT_TRUE(AppendToFile(Path("a.txt"), "two\r\n"));
  EXPECT_EQ(Content("a.txt"), "one\r\ntwo\r\n");
  EXPECT_EQ(FileSize(Path("a.txt")), 10);
}

TEST_F(FilesTest, OverwriteFromStartKeepsTheLongerTail) {
  ASSERT_TRUE(AppendToFile(Path("lib"), "0123456789"));
  EXPECT_TRUE(OverwriteFromStart(Path("lib"), "abc"));
  EXPECT_EQ(Content("lib"), "abc3456789");
  EXPECT_TRUE(OverwriteFromStart(Path("new"), "xyz"));
  EXPECT_EQ(Content("new"), "xyz");
}

TEST_F(FilesTest, AtomicWriteReplacesWholeAndLeavesNoTemporary) {
  ASSERT_TRUE(AppendToFile(Path("dump.txt"), "old old old old"));
  EXPECT_TRUE(WriteFileAtomically(Path("dump.txt"), "new"));
  EXPECT_EQ(Content("dump.txt"), "new");
  EXPECT_EQ(ListDirectory(dir_, "*"), std::vector<std::string>{"dump.txt"});
  EXPECT_FALSE(WriteFileAtomically(Path("missing/dump.txt"), "x"));
}

TEST_F(FilesTest, ReadFileTakesLargeFilesWholeAndFilesThatGiveNoSize) {
  std::string large(200000, 'x');
  for (std::size_t i = 0; i < large.size(); i += 4093) large[i] = static_cast<char>('a' + i % 26);
  ASSERT_TRUE(WriteFileAtomically(Path("large"), large));
  std::string content = "stale";
  ASSERT_TRUE(ReadFile(Path("large"), content));
  EXPECT_EQ(content, large);
  // Read over a longer text it held, the buffer keeps none of it.
  ASSERT_TRUE(WriteFileAtomically(Path("small"), "abc"));
  ASSERT_TRUE(ReadFile(Path("small"), content));
  EXPECT_EQ(content, "abc");
  // /proc entries say they are empty regular files and still hold text.
  ASSERT_TRUE(ReadFile("/proc/self/status", content));
  EXPECT_NE(content.find("Name:"), std::string::npos);
}

TEST_F(FilesTest, RenameDeleteAndFailures) {
  ASSERT_TRUE(AppendToFile(Path("a"), "x"));
  EXPECT_TRUE(RenameFile(Path("a"), Path("b")));
  EXPECT_FALSE(FileExists(Path("a")));
  EXPECT_TRUE(FileExists(Path("b")));
  EXPECT_FALSE(RenameFile(Path("a"), Path("c")));
  EXPECT_TRUE(DeleteFile(Path("b")));
  EXPECT_FALSE(DeleteFile(Path("b")));
  std::string content = "stale";
  EXPECT_FALSE(ReadFile(Path("b"), content));
  EXPECT_TRUE(content.empty());
}

TEST_F(FilesTest, CreateDirectoryMakesOneLevelOnly) {
  EXPECT_TRUE(CreateDirectory(Path("logs")));
  EXPECT_TRUE(CreateDirectory(Path("logs")));  // existing is fine
  EXPECT_TRUE(DirectoryExists(Path("logs")));
  EXPECT_FALSE(CreateDirectory(Path("x/y")));
  ASSERT_TRUE(AppendToFile(Path("file"), "x"));
  EXPECT_FALSE(CreateDirectory(Path("file")));  // a file of that name is no directory
}

TEST_F(FilesTest, ListingFollowsThePatternAndSortsNames) {
  for (const char* name : {"journal.log", "journal.0.log", "journal.12.log", "other.txt"})
    ASSERT_TRUE(AppendToFile(Path(name), "x"));
  ASSERT_TRUE(CreateDirectory(Path("journal.9.log")));
  EXPECT_EQ(ListDirectory(dir_, "journal.*.log"),
            (std::vector<std::string>{"journal.0.log", "journal.12.log"}));
  EXPECT_EQ(ListSubdirectories(dir_, "*"), std::vector<std::string>{"journal.9.log"});
  EXPECT_TRUE(ListDirectory(Path("absent"), "*").empty());
}

TEST(Patterns, WildcardsMatchRunsAndSingleCharacters) {
  EXPECT_TRUE(MatchesPattern("index.html", "*.html"));
  EXPECT_TRUE(MatchesPattern("a.b.c", "a*c"));
  EXPECT_TRUE(MatchesPattern("abc", "a?c"));
  EXPECT_FALSE(MatchesPattern("abc", "a?"));
  EXPECT_FALSE(MatchesPattern("Index.html", "index*"));
  EXPECT_TRUE(MatchesPattern("", "*"));
  EXPECT_TRUE(MatchesPattern("aaab", "*a*b"));
}

TEST(Paths, SeparatorsAndParts) {
  EXPECT_EQ(NormaliseSeparators("C:\\site\\img"), "C:/site/img");
  EXPECT_EQ(JoinPath("/tmp/", "a"), "/tmp/a");
  EXPECT_EQ(JoinPath("", "a"), "a");
  EXPECT_EQ(DirectoryPart("/tmp/a.log"), "/tmp");
  EXPECT_EQ(DirectoryPart("a.log"), "");
  EXPECT_EQ(DirectoryPart("/a.log"), "/");
  EXPECT_EQ(FileNamePart("/tmp/a.log"), "a.log");
  EXPECT_TRUE(IsAbsolutePath("/x"));
  EXPECT_FALSE(IsAbsolutePath("x/y"));
}

TEST(ByteOrderMarks, AreRecognisedWithTheirLength) {
  std::size_t length = 99;
  EXPECT_EQ(DetectByteOrderMark("\xEF\xBB\xBFx", &length), ByteOrderMark::kUtf8);
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(DetectByteOrderMark("\xFF\xFEx\0", &length), ByteOrderMark::kUtf16Le);
  EXPECT_EQ(length, 2u);
  EXPECT_EQ(DetectByteOrderMark("\xFE\xFF", &length), ByteOrderMark::kUtf16Be);
  EXPECT_EQ(DetectByteOrderMark("\xEF\xBB", &length), ByteOrderMark::kNone);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(DetectByteOrderMark(""), ByteOrderMark::kNone);
}

}  // namespace
