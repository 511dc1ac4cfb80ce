// The client against a real FTP server (pyftpdlib) on 127.0.0.1, in passive
// and in active mode.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/agent/publication/ftp_test_helpers.h"
#include "tests/support/real_ftp_server.h"

using agent::FtpStep;
using ftp_test::Lines;
using test_support::RealFtpServer;

namespace {

class RealServer : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.running()) << server_.error(); }
  std::unique_ptr<agent::FtpConnection> client(const std::string& password = "s3cret") {
    return agent::MakeFtpClient(
        ftp_test::SettingsFor(server_.port(), GetParam(), lines_, "meteo", password));
  }
  std::string local_file(const std::string& name, const std::string& content) {
    std::string path = server_.scratch() + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  RealFtpServer server_;
  Lines lines_;
};

}  // namespace

TEST_P(RealServer, TreeIsCreatedLevelByLevelAndFilesArriveByteForByte) {
  auto ftp = client();
  ASSERT_TRUE(ftp->Open().ok);
  EXPECT_EQ(ftp->state(), agent::FtpState::kReady);
  EXPECT_EQ(ftp->current_directory(), "/");

  ASSERT_TRUE(ftp->MakeDirectory("meteo").ok);
  EXPECT_FALSE(ftp->MakeDirectory("meteo").ok);  // exists already: refused, connection still fine
  ASSERT_TRUE(ftp->ChangeDirectory("/meteo").ok);
  ASSERT_TRUE(ftp->MakeDirectory("site").ok);
  ASSERT_TRUE(ftp->ChangeDirectory(ftp->current_directory() + "/site").ok);
  EXPECT_EQ(ftp->current_directory(), "/meteo/site");

  const std::string big = ftp_test::BinaryContent(3 * 1024 * 1024 + 17);
  ASSERT_TRUE(ftp->UploadFile(local_file("big.bin", big), "big.bin").ok);
  ASSERT_TRUE(ftp->UploadFile(local_file("empty.txt", ""), "empty.txt").ok);
  const std::string page = "<html>\r\n#TempExt#\r\n</html>\r\n";
  ASSERT_TRUE(ftp->UploadBuffer(page.data(), page.size(), "index.htm").ok);
  ftp->Close();
  EXPECT_EQ(ftp->state(), agent::FtpState::kDisconnected);

  EXPECT_EQ(server_.ReadFile("meteo/site/big.bin"), big);
  EXPECT_TRUE(server_.HasFile("meteo/site/empty.txt"));
  EXPECT_EQ(server_.ReadFile("meteo/site/empty.txt"), "");
  EXPECT_EQ(server_.ReadFile("meteo/site/index.htm"), page);
  EXPECT_NE(server_.log().find("QUIT"), std::string::npos);
}

TEST_P(RealServer, WrongPasswordFailsAtLogin) {
  auto ftp = client("wrong");
  agent::FtpResult opened = ftp->Open();
  EXPECT_FALSE(opened.ok);
  EXPECT_EQ(opened.step, FtpStep::kLogin);
  EXPECT_EQ(opened.reply_code, 530);
  EXPECT_FALSE(ftp->UploadBuffer("x", 1, "x.txt").ok);  // nothing works after a refused login
}

TEST_P(RealServer, MissingLocalFileFailsTheTransferOnly) {
  auto ftp = client();
  ASSERT_TRUE(ftp->Open().ok);
  agent::FtpResult missing = ftp->UploadFile(server_.scratch() + "/absent.htm", "absent.htm");
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.step, FtpStep::kTransfer);
  EXPECT_FALSE(server_.HasFile("absent.htm"));  // no STOR left an empty file behind
  EXPECT_TRUE(ftp->UploadBuffer("ok", 2, "after.txt").ok);
  ftp->Close();
  EXPECT_EQ(server_.ReadFile("after.txt"), "ok");
}

TEST_P(RealServer, NameWithLineBreakIsNeverSent) {
  auto ftp = client();
  ASSERT_TRUE(ftp->Open().ok);
  agent::FtpResult refused = ftp->UploadBuffer("x", 1, "evil.htm\r\nDELE important.htm");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.step, FtpStep::kTransfer);
  EXPECT_FALSE(ftp->ChangeDirectory("a\nb").ok);
  EXPECT_TRUE(ftp->UploadBuffer("y", 1, "fine.txt").ok);  // the connection is still usable
  ftp->Close();
  const std::string log = server_.log();
  EXPECT_EQ(log.find("evil"), std::string::npos) << log;
  EXPECT_EQ(log.find("DELE"), std::string::npos);
  EXPECT_EQ(log.find("CWD a"), std::string::npos);
}

TEST_P(RealServer, StoppedServerFailsTheNextStepAndAFreshConnectionWorks) {
  auto ftp = client();
  ASSERT_TRUE(ftp->Open().ok);
  ASSERT_TRUE(ftp->UploadBuffer("one", 3, "one.txt").ok);
  server_.Stop();
  agent::FtpResult after = ftp->UploadBuffer("two", 3, "two.txt");
  EXPECT_FALSE(after.ok);
  EXPECT_EQ(after.step, FtpStep::kTransfer);
  ftp->Close();
  agent::FtpResult reopened = ftp->Open();
  EXPECT_FALSE(reopened.ok);
  EXPECT_EQ(reopened.step, FtpStep::kConnect);
}

TEST_P(RealServer, DebugLogNamesStatesAndHidesThePassword) {
  auto ftp = client();
  ASSERT_TRUE(ftp->Open().ok);
  ASSERT_TRUE(ftp->UploadBuffer("z", 1, "z.txt").ok);
  ftp->Close();
  EXPECT_TRUE(lines_.DebugHas("FTP state connecting -> awaiting_greeting"));
  EXPECT_TRUE(lines_.DebugHas("-> storing"));
  EXPECT_TRUE(lines_.DebugHas("PASS ****"));
  EXPECT_FALSE(lines_.DebugHas("s3cret"));
  EXPECT_TRUE(lines_.DebugHas(GetParam() ? "> EPSV" : "> EPRT"));
  EXPECT_TRUE(lines_.journal.empty());  // plain FTP writes no security lines
}

INSTANTIATE_TEST_SUITE_P(Modes, RealServer, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST(RealServerConnect, NothingListeningFailsAtConnect) {
  Lines lines;
  auto ftp = agent::MakeFtpClient(ftp_test::SettingsFor(1, true, lines));
  agent::FtpResult opened = ftp->Open();
  EXPECT_FALSE(opened.ok);
  EXPECT_EQ(opened.step, FtpStep::kConnect);
  EXPECT_EQ(ftp->state(), agent::FtpState::kDisconnected);
  auto port_zero = agent::MakeFtpClient(ftp_test::SettingsFor(0, true, lines));
  EXPECT_EQ(port_zero->Open().step, FtpStep::kConnect);
}
