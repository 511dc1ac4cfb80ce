// FTP over TLS against pyftpdlib's TLS handler, which demands TLS on the
// control and the data connections, with a certificate authority made here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/agent/publication/ftp_test_helpers.h"
#include "tests/support/real_ftp_server.h"

using agent::FtpStep;
using agent::FtpTlsMode;
using ftp_test::Lines;
using test_support::RealFtpServer;
using test_support::RealFtpServerOptions;
using test_support::ServerTls;

namespace {

// One authority and one certificate for "localhost" for the whole program.
class Certificates : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tvl-ftp-certs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    directory = pattern;
    made = test_support::MakeTestCertificates(directory, "localhost");
  }
  void TearDown() override { std::filesystem::remove_all(directory); }
  static inline std::string directory;
  static inline test_support::TestCertificates made;
};
const auto* const kCertificatesEnvironment = ::testing::AddGlobalTestEnvironment(new Certificates);

RealFtpServerOptions TlsServer(ServerTls tls) {
  RealFtpServerOptions options;
  options.tls = tls;
  options.cert_file = Certificates::made.cert_file;
  options.key_file = Certificates::made.key_file;
  return options;
}

agent::FtpSettings TlsSettings(const RealFtpServer& server, bool passive, FtpTlsMode mode,
                               Lines& lines) {
  agent::FtpSettings settings = ftp_test::SettingsFor(server.port(), passive, lines);
  settings.host = "localhost";
  settings.tls = mode;
  settings.tls_ca_file = Certificates::made.ca_file;
  return settings;
}

struct Case {
  ServerTls server;
  FtpTlsMode client;
  bool passive;
};

class TlsTransfer : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(TlsTransfer, FilesArriveByteForByteOverResumedSessions) {
  ASSERT_TRUE(Certificates::made.ok);
  RealFtpServer server(TlsServer(GetParam().server));
  ASSERT_TRUE(server.running()) << server.error();
  Lines lines;
  auto ftp =
      agent::MakeFtpClient(TlsSettings(server, GetParam().passive, GetParam().client, lines));
  agent::FtpResult opened = ftp->Open();
  ASSERT_TRUE(opened.ok) << opened.message << " / " << opened.reply_text;
  const std::string big = ftp_test::BinaryContent(2 * 1024 * 1024 + 3);
  ASSERT_TRUE(ftp->UploadBuffer(big.data(), big.size(), "big.bin").ok);
  for (int i = 0; i < 3; ++i) {
    const std::string name = "page" + std::to_string(i) + ".htm";
    agent::FtpResult stored = ftp->UploadBuffer(name.data(), name.size(), name);
    ASSERT_TRUE(stored.ok) << stored.message;
  }
  ftp->Close();
  EXPECT_EQ(server.ReadFile("big.bin"), big);
  EXPECT_EQ(server.ReadFile("page2.htm"), "page2.htm");
  EXPECT_TRUE(lines.JournalHas("[MoteurPushFTP] : Connexion sécurisée établie (TLSv1."));
  EXPECT_TRUE(lines.DebugHas("session resumed"));
  EXPECT_FALSE(lines.DebugHas("session new")) << [&] {
    std::string all;
    for (const auto& line : lines.debug) all += line + "\n";
    return all;
  }();
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TlsTransfer,
    ::testing::Values(Case{ServerTls::kExplicitTls, FtpTlsMode::kExplicitTls, true},
                      Case{ServerTls::kExplicitTls, FtpTlsMode::kExplicitTls, false},
                      Case{ServerTls::kImplicitTls, FtpTlsMode::kImplicitTls, true},
                      Case{ServerTls::kImplicitTls, FtpTlsMode::kImplicitTls, false}),
    [](const auto& info) {
      return std::string(info.param.client == FtpTlsMode::kExplicitTls ? "Explicit" : "Implicit") +
             (info.param.passive ? "Passive" : "Active");
    });

// TLS 1.2 first, for its cheap resumption; a server that only speaks TLS 1.3
// gets a second connection offering it, and its data connections resume too.
TEST(TlsVersion, TwelveFirstAndThirteenWhenTheServerRefusesTwelve) {
  ASSERT_TRUE(Certificates::made.ok);
  for (const bool only13 : {false, true}) {
    RealFtpServerOptions options = TlsServer(ServerTls::kExplicitTls);
    options.tls13_only = only13;
    RealFtpServer server(options);
    ASSERT_TRUE(server.running()) << server.error();
    Lines lines;
    auto ftp = agent::MakeFtpClient(TlsSettings(server, true, FtpTlsMode::kExplicitTls, lines));
    agent::FtpResult opened = ftp->Open();
    ASSERT_TRUE(opened.ok) << opened.message;
    for (const std::string name : {"a.htm", "b.htm"})
      ASSERT_TRUE(ftp->UploadBuffer(name.data(), name.size(), name).ok) << name;
    ftp->Close();
    EXPECT_EQ(server.ReadFile("b.htm"), "b.htm");
    EXPECT_TRUE(lines.JournalHas(std::string("Connexion sécurisée établie (TLSv1.") +
                                 (only13 ? "3" : "2") + ")."));
    EXPECT_EQ(
        lines.JournalHas(
            "[MoteurPushFTP] : Le serveur refuse TLS 1.2 : nouvel essai avec la version la plus "
            "récente."),
        only13);
    EXPECT_FALSE(lines.JournalHas("Échec de la négociation TLS"));
    EXPECT_FALSE(lines.DebugHas("session new"));
  }
}

TEST(TlsVerification, OtherHostNameFailsUnlessVerificationIsOff) {
  ASSERT_TRUE(Certificates::made.ok);
  RealFtpServer server(TlsServer(ServerTls::kExplicitTls));
  ASSERT_TRUE(server.running()) << server.error();

  Lines checked;
  agent::FtpSettings settings = TlsSettings(server, true, FtpTlsMode::kExplicitTls, checked);
  settings.host = "127.0.0.1";  // the certificate names "localhost" only
  agent::FtpResult refused = agent::MakeFtpClient(settings)->Open();
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.step, FtpStep::kConnect);
  EXPECT_TRUE(checked.JournalHas("[MoteurPushFTP] : Certificat du serveur refusé : "));

  Lines unchecked;
  settings = TlsSettings(server, true, FtpTlsMode::kExplicitTls, unchecked);
  settings.host = "127.0.0.1";
  settings.tls_verify = false;
  settings.tls_ca_file.clear();
  auto ftp = agent::MakeFtpClient(settings);
  ASSERT_TRUE(ftp->Open().ok);
  EXPECT_TRUE(ftp->UploadBuffer("x", 1, "x.txt").ok);
  EXPECT_TRUE(unchecked.JournalHas("le certificat du serveur n'est pas vérifié"));
  EXPECT_EQ(server.log().find("<- PASS s3cret"), std::string::npos);
}

TEST(TlsVerification, SelfMadeAuthorityIsUnknownToTheSystemStore) {
  ASSERT_TRUE(Certificates::made.ok);
  RealFtpServer server(TlsServer(ServerTls::kImplicitTls));
  ASSERT_TRUE(server.running()) << server.error();
  Lines lines;
  agent::FtpSettings settings = TlsSettings(server, true, FtpTlsMode::kImplicitTls, lines);
  settings.tls_ca_file.clear();
  agent::FtpResult refused = agent::MakeFtpClient(settings)->Open();
  EXPECT_FALSE(refused.ok);
  EXPECT_TRUE(lines.JournalHas("Certificat du serveur refusé"));
}

TEST(TlsVerification, PlainServerRefusingAuthNeverSeesTheLogin) {
  RealFtpServer server;  // no TLS: AUTH TLS is an unknown command there
  ASSERT_TRUE(server.running()) << server.error();
  Lines lines;
  agent::FtpSettings settings = TlsSettings(server, true, FtpTlsMode::kExplicitTls, lines);
  agent::FtpResult refused = agent::MakeFtpClient(settings)->Open();
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.step, FtpStep::kConnect);
  EXPECT_TRUE(lines.JournalHas(
      "[MoteurPushFTP] : Échec de la négociation TLS : le serveur refuse AUTH TLS"));
  const std::string log = server.log();
  EXPECT_NE(log.find("<- AUTH TLS"), std::string::npos);
  EXPECT_EQ(log.find("USER"), std::string::npos);
  EXPECT_EQ(log.find("PASS"), std::string::npos);
}

TEST(TlsVerification, ImplicitTlsAgainstAPlainServerFailsAtConnect) {
  RealFtpServer server;
  ASSERT_TRUE(server.running()) << server.error();
  Lines lines;
  agent::FtpSettings settings = TlsSettings(server, true, FtpTlsMode::kImplicitTls, lines);
  settings.reply_timeout = std::chrono::milliseconds(1000);
  settings.connect_timeout = std::chrono::milliseconds(1000);
  agent::FtpResult refused = agent::MakeFtpClient(settings)->Open();
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.step, FtpStep::kConnect);
  EXPECT_TRUE(lines.JournalHas("Échec de la négociation TLS"));
  EXPECT_EQ(server.log().find("USER"), std::string::npos);
}

TEST(TlsTransferFailure, ServerGoneHalfwayThroughAFileFailsTheTransfer) {
  ASSERT_TRUE(Certificates::made.ok);
  RealFtpServer server(TlsServer(ServerTls::kExplicitTls));
  ASSERT_TRUE(server.running()) << server.error();
  Lines lines;
  agent::FtpSettings settings = TlsSettings(server, true, FtpTlsMode::kExplicitTls, lines);
  settings.reply_timeout = std::chrono::milliseconds(1000);
  // The server dies as soon as the data connection is secured, before most of the file is sent.
  settings.debug_log = [&](const std::string& line) {
    if (line.find("data connection secured") != std::string::npos) server.Stop();
  };
  auto ftp = agent::MakeFtpClient(settings);
  ASSERT_TRUE(ftp->Open().ok);
  const std::string big = ftp_test::BinaryContent(16 * 1024 * 1024);
  agent::FtpResult stored = ftp->UploadBuffer(big.data(), big.size(), "big.bin");
  EXPECT_FALSE(stored.ok);
  EXPECT_EQ(stored.step, FtpStep::kTransfer);
  ftp->Close();
  EXPECT_EQ(ftp->state(), agent::FtpState::kDisconnected);
}
