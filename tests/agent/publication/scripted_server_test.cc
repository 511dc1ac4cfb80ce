// The client against a server that misbehaves on purpose.
#include <gtest/gtest.h>

#include "tests/agent/publication/ftp_test_helpers.h"
#include "tests/support/scripted_ftp_server.h"

using agent::FtpStep;
using ftp_test::Lines;
using test_support::ScriptedFtpOptions;
using test_support::ScriptedFtpServer;
using test_support::ScriptedReply;
using Then = ScriptedReply::Then;
using namespace std::chrono_literals;

namespace {

struct Scripted {
  explicit Scripted(ScriptedFtpOptions options, bool passive = true) : server(std::move(options)) {
    settings = ftp_test::SettingsFor(server.port(), passive, lines);
  }
  std::unique_ptr<agent::FtpConnection> client() { return agent::MakeFtpClient(settings); }
  ScriptedFtpServer server;
  Lines lines;
  agent::FtpSettings settings;
};

ScriptedFtpOptions WithReply(const std::string& verb, ScriptedReply reply) {
  ScriptedFtpOptions options;
  options.replies[verb] = std::move(reply);
  return options;
}

}  // namespace

TEST(ScriptedServer, MultiLineRepliesAreReadWhole) {
  ScriptedFtpOptions options;
  options.greeting.text =
      "220-Welcome to the station host\r\n 220 indented, still inside\r\n220-more\r\n220 Ready";
  options.replies["USER"] = {"331-First\r\nplain line\r\n331 Password please", Then::kCarryOn};
  options.replies["PWD"] = {"257-\"/decoy\"\r\n257 \"/real\" is current", Then::kCarryOn};
  Scripted scripted(options);
  auto ftp = scripted.client();
  agent::FtpResult opened = ftp->Open();
  ASSERT_TRUE(opened.ok) << opened.message;
  // The first line of a multi-line 257 already carries the quoted path.
  EXPECT_EQ(ftp->current_directory(), "/decoy");
  ASSERT_TRUE(ftp->UploadBuffer("abc", 3, "a.txt").ok);
  EXPECT_EQ(scripted.server.files().at("a.txt"), "abc");
}

TEST(ScriptedServer, ServiceNotAvailableAtConnect) {
  Scripted scripted([] {
    ScriptedFtpOptions options;
    options.greeting = {"421 Too many users, try later.", Then::kCloseConnection};
    return options;
  }());
  agent::FtpResult opened = scripted.client()->Open();
  EXPECT_FALSE(opened.ok);
  EXPECT_EQ(opened.step, FtpStep::kConnect);
  EXPECT_EQ(opened.reply_code, 421);
  EXPECT_EQ(opened.reply_text, "421 Too many users, try later.");
  EXPECT_FALSE(scripted.server.received("USER"));
}

TEST(ScriptedServer, LoginRefusedAfterPassword) {
  Scripted scripted(WithReply("PASS", {"530 Login incorrect.", Then::kCarryOn}));
  agent::FtpResult opened = scripted.client()->Open();
  EXPECT_FALSE(opened.ok);
  EXPECT_EQ(opened.step, FtpStep::kLogin);
  EXPECT_EQ(opened.reply_code, 530);
}

TEST(ScriptedServer, StoreRefusalsFailTheTransfer) {
  for (const char* refusal :
       {"452 Insufficient storage space.", "550 Permission denied.", "552 Quota exceeded."}) {
    Scripted scripted(WithReply("STOR", {refusal, Then::kCarryOn}));
    auto ftp = scripted.client();
    ASSERT_TRUE(ftp->Open().ok);
    agent::FtpResult stored = ftp->UploadBuffer("data", 4, "page.htm");
    EXPECT_FALSE(stored.ok) << refusal;
    EXPECT_EQ(stored.step, FtpStep::kTransfer);
    EXPECT_EQ(stored.reply_text, refusal);
    EXPECT_EQ(ftp->state(), agent::FtpState::kReady);  // the control connection survives a refusal
  }
}

TEST(ScriptedServer, BrokenTransferIsAFailureNotASuccess) {
  ScriptedFtpOptions options;
  options.break_transfer_after = 100000;
  Scripted scripted(options);
  auto ftp = scripted.client();
  ASSERT_TRUE(ftp->Open().ok);
  const std::string content = ftp_test::BinaryContent(4 * 1024 * 1024);
  agent::FtpResult stored = ftp->UploadBuffer(content.data(), content.size(), "big.bin");
  EXPECT_FALSE(stored.ok);
  EXPECT_EQ(stored.step, FtpStep::kTransfer);
  EXPECT_EQ(stored.reply_code, 426);
  EXPECT_EQ(scripted.server.files().count("big.bin"), 0u);
}

TEST(ScriptedServer, SilentServerTimesOutAtEveryWait) {
  for (const char* verb : {"USER", "PASS", "CWD", "STOR"}) {
    ScriptedFtpOptions options;
    options.replies[verb] = {"", Then::kFallSilent};
    Scripted scripted(options);
    scripted.settings.reply_timeout = 150ms;
    auto ftp = scripted.client();
    auto started = std::chrono::steady_clock::now();
    agent::FtpResult opened = ftp->Open();
    agent::FtpResult last = opened;
    if (opened.ok) last = ftp->ChangeDirectory("/x");
    if (last.ok) last = ftp->UploadBuffer("x", 1, "x.txt");
    ftp->Close();
    auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_FALSE(last.ok) << verb;
    EXPECT_NE(last.message.find("timed out"), std::string::npos) << verb << ": " << last.message;
    EXPECT_LT(waited, 3s) << verb;
    EXPECT_EQ(ftp->state(), agent::FtpState::kDisconnected);
  }
}

TEST(ScriptedServer, StalledDataConnectionTimesOut) {
  ScriptedFtpOptions options;
  options.stall_data = true;
  Scripted scripted(options);
  scripted.settings.stall_timeout = 200ms;
  scripted.settings.reply_timeout = 300ms;
  auto ftp = scripted.client();
  ASSERT_TRUE(ftp->Open().ok);
  const std::string content(32 * 1024 * 1024, 'x');  // more than the socket buffers hold
  auto started = std::chrono::steady_clock::now();
  agent::FtpResult stored = ftp->UploadBuffer(content.data(), content.size(), "big.bin");
  EXPECT_FALSE(stored.ok);
  EXPECT_NE(stored.message.find("stalled"), std::string::npos) << stored.message;
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

TEST(ScriptedServer, RefusedEpsvFallsBackToPasvAndItsAddressIsIgnored) {
  ScriptedFtpOptions options = WithReply("EPSV", {"500 EPSV not understood.", Then::kCarryOn});
  options.pasv_address = "10.1.2.3";  // a hostile or NATed address: never contacted
  Scripted scripted(options);
  auto ftp = scripted.client();
  ASSERT_TRUE(ftp->Open().ok);
  ASSERT_TRUE(ftp->UploadBuffer("one", 3, "one.txt").ok);
  ASSERT_TRUE(ftp->UploadBuffer("two", 3, "two.txt").ok);
  EXPECT_EQ(scripted.server.files().at("two.txt"), "two");
  int epsv = 0, pasv = 0;
  for (const auto& line : scripted.server.commands()) {
    epsv += line == "EPSV";
    pasv += line == "PASV";
  }
  EXPECT_EQ(epsv, 1);  // once refused, not asked again on this connection
  EXPECT_EQ(pasv, 2);
}

TEST(ScriptedServer, RefusedEprtFallsBackToPort) {
  Scripted scripted(WithReply("EPRT", {"502 EPRT not implemented.", Then::kCarryOn}), false);
  auto ftp = scripted.client();
  ASSERT_TRUE(ftp->Open().ok);
  ASSERT_TRUE(ftp->UploadBuffer("active", 6, "a.txt").ok);
  EXPECT_EQ(scripted.server.files().at("a.txt"), "active");
  EXPECT_TRUE(scripted.server.received("PORT"));
}

TEST(ScriptedServer, BothPassiveModesRefusedFailsTheTransfer) {
  ScriptedFtpOptions options = WithReply("EPSV", {"500 no", Then::kCarryOn});
  options.replies["PASV"] = {"227 rubbish without numbers", Then::kCarryOn};
  Scripted scripted(options);
  auto ftp = scripted.client();
  ASSERT_TRUE(ftp->Open().ok);
  agent::FtpResult stored = ftp->UploadBuffer("x", 1, "x.txt");
  EXPECT_FALSE(stored.ok);
  EXPECT_EQ(stored.step, FtpStep::kTransfer);
  EXPECT_FALSE(scripted.server.received("STOR"));
}

TEST(ScriptedServer, RubbishInsteadOfAReplyBreaksTheConnection) {
  ScriptedFtpOptions options;
  options.greeting = {"hello, I am not an FTP server", Then::kCarryOn};
  Scripted scripted(options);
  auto ftp = scripted.client();
  agent::FtpResult opened = ftp->Open();
  EXPECT_FALSE(opened.ok);
  EXPECT_EQ(opened.step, FtpStep::kConnect);
}

TEST(ScriptedServer, VeryLongReplyIsCutNotHeldWhole) {
  ScriptedFtpOptions options;
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "230-" + std::string(100, 'x') + "\r\n";
  text += "230 Logged in.";
  options.replies["PASS"] = {text, Then::kCarryOn};
  Scripted scripted(options);
  auto ftp = scripted.client();
  ASSERT_TRUE(ftp->Open().ok);
  EXPECT_TRUE(ftp->UploadBuffer("ok", 2, "ok.txt").ok);
}

TEST(ScriptedServer, DirectoryRefusalsNameTheDirectoryStep) {
  ScriptedFtpOptions options = WithReply("CWD", {"550 No such directory.", Then::kCarryOn});
  options.replies["PWD"] = {"257 rubbish without quotes", Then::kCarryOn};
  Scripted scripted(options);
  auto ftp = scripted.client();
  ASSERT_TRUE(ftp->Open().ok);
  EXPECT_EQ(ftp->current_directory(), "");
  agent::FtpResult changed = ftp->ChangeDirectory("/meteo");
  EXPECT_FALSE(changed.ok);
  EXPECT_EQ(changed.step, FtpStep::kDirectory);
  EXPECT_EQ(changed.reply_code, 550);
}
