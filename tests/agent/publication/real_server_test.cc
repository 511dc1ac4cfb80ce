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
  void SetUp() override { ASSERT_TRUE(server.running()) << server.error(); }
  std::unique_ptr<agent::FtpConnection> client(const std::string& password = "s3cret") {
    return agent::make_ftp_client(ftp_test::settings_for(server.port(), GetParam(), lines, "meteo", password));
  }
  std::string local_file(const std::string& name, const std::string& content) {
    std::string path = server.scratch() + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  RealFtpServer server;
  Lines lines;
};

}  // namespace

TEST_P(RealServer, TreeIsCreatedLevelByLevelAndFilesArriveByteForByte) {
  auto ftp = client();
  ASSERT_TRUE(ftp->open().ok);
  EXPECT_EQ(ftp->state(), agent::FtpState::ready);
  EXPECT_EQ(ftp->current_directory(), "/");

  ASSERT_TRUE(ftp->make_directory("meteo").ok);
  EXPECT_FALSE(ftp->make_directory("meteo").ok);  // exists already: refused, connection still fine
  ASSERT_TRUE(ftp->change_directory("/meteo").ok);
  ASSERT_TRUE(ftp->make_directory("site").ok);
  ASSERT_TRUE(ftp->change_directory(ftp->current_directory() + "/site").ok);
  EXPECT_EQ(ftp->current_directory(), "/meteo/site");

  const std::string big = ftp_test::binary_content(3 * 1024 * 1024 + 17);
  ASSERT_TRUE(ftp->upload_file(local_file("big.bin", big), "big.bin").ok);
  ASSERT_TRUE(ftp->upload_file(local_file("empty.txt", ""), "empty.txt").ok);
  const std::string page = "<html>\r\n#TempExt#\r\n</html>\r\n";
  ASSERT_TRUE(ftp->upload_buffer(page.data(), page.size(), "index.htm").ok);
  ftp->close();
  EXPECT_EQ(ftp->state(), agent::FtpState::disconnected);

  EXPECT_EQ(server.read_file("meteo/site/big.bin"), big);
  EXPECT_TRUE(server.has_file("meteo/site/empty.txt"));
  EXPECT_EQ(server.read_file("meteo/site/empty.txt"), "");
  EXPECT_EQ(server.read_file("meteo/site/index.htm"), page);
  EXPECT_NE(server.log().find("QUIT"), std::string::npos);
}

TEST_P(RealServer, WrongPasswordFailsAtLogin) {
  auto ftp = client("wrong");
  agent::FtpResult opened = ftp->open();
  EXPECT_FALSE(opened.ok);
  EXPECT_EQ(opened.step, FtpStep::login);
  EXPECT_EQ(opened.reply_code, 530);
  EXPECT_FALSE(ftp->upload_buffer("x", 1, "x.txt").ok);  // nothing works after a refused login
}

TEST_P(RealServer, MissingLocalFileFailsTheTransferOnly) {
  auto ftp = client();
  ASSERT_TRUE(ftp->open().ok);
  agent::FtpResult missing = ftp->upload_file(server.scratch() + "/absent.htm", "absent.htm");
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.step, FtpStep::transfer);
  EXPECT_FALSE(server.has_file("absent.htm"));  // no STOR left an empty file behind
  EXPECT_TRUE(ftp->upload_buffer("ok", 2, "after.txt").ok);
  ftp->close();
  EXPECT_EQ(server.read_file("after.txt"), "ok");
}

TEST_P(RealServer, NameWithLineBreakIsNeverSent) {
  auto ftp = client();
  ASSERT_TRUE(ftp->open().ok);
  agent::FtpResult refused = ftp->upload_buffer("x", 1, "evil.htm\r\nDELE important.htm");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.step, FtpStep::transfer);
  EXPECT_FALSE(ftp->change_directory("a\nb").ok);
  EXPECT_TRUE(ftp->upload_buffer("y", 1, "fine.txt").ok);  // the connection is still usable
  ftp->close();
  const std::string log = server.log();
  EXPECT_EQ(log.find("evil"), std::string::npos) << log;
  EXPECT_EQ(log.find("DELE"), std::string::npos);
  EXPECT_EQ(log.find("CWD a"), std::string::npos);
}

TEST_P(RealServer, StoppedServerFailsTheNextStepAndAFreshConnectionWorks) {
  auto ftp = client();
  ASSERT_TRUE(ftp->open().ok);
  ASSERT_TRUE(ftp->upload_buffer("one", 3, "one.txt").ok);
  server.stop();
  agent::FtpResult after = ftp->upload_buffer("two", 3, "two.txt");
  EXPECT_FALSE(after.ok);
  EXPECT_EQ(after.step, FtpStep::transfer);
  ftp->close();
  agent::FtpResult reopened = ftp->open();
  EXPECT_FALSE(reopened.ok);
  EXPECT_EQ(reopened.step, FtpStep::connect);
}

TEST_P(RealServer, DebugLogNamesStatesAndHidesThePassword) {
  auto ftp = client();
  ASSERT_TRUE(ftp->open().ok);
  ASSERT_TRUE(ftp->upload_buffer("z", 1, "z.txt").ok);
  ftp->close();
  EXPECT_TRUE(lines.debug_has("FTP state connecting -> awaiting_greeting"));
  EXPECT_TRUE(lines.debug_has("-> storing"));
  EXPECT_TRUE(lines.debug_has("PASS ****"));
  EXPECT_FALSE(lines.debug_has("s3cret"));
  EXPECT_TRUE(lines.debug_has(GetParam() ? "> EPSV" : "> EPRT"));
  EXPECT_TRUE(lines.journal.empty());  // plain FTP writes no security lines
}

INSTANTIATE_TEST_SUITE_P(Modes, RealServer, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST(RealServerConnect, NothingListeningFailsAtConnect) {
  Lines lines;
  auto ftp = agent::make_ftp_client(ftp_test::settings_for(1, true, lines));
  agent::FtpResult opened = ftp->open();
  EXPECT_FALSE(opened.ok);
  EXPECT_EQ(opened.step, FtpStep::connect);
  EXPECT_EQ(ftp->state(), agent::FtpState::disconnected);
  auto port_zero = agent::make_ftp_client(ftp_test::settings_for(0, true, lines));
  EXPECT_EQ(port_zero->open().step, FtpStep::connect);
}
