#include "agent/publication/push_settings.h"

#include <gtest/gtest.h>

#include "agent/publication/push_engine.h"
#include "tests/support/publication_fixture.h"

namespace {

using agent::publication::ParseFtpServer;
using agent::publication::RemoteDirectoryLevels;

TEST(PushSettings, ServerIsHostAtPort) {
  std::string host;
  std::int32_t port = -1;
  ParseFtpServer("ftp.example@21", host, port);
  EXPECT_EQ(host, "ftp.example");
  EXPECT_EQ(port, 21);
  ParseFtpServer("ftp.example", host, port);
  EXPECT_EQ(host, "ftp.example");
  EXPECT_EQ(port, 0);
  ParseFtpServer("h@abc", host, port);
  EXPECT_EQ(port, 0);
  ParseFtpServer("h@2121@x", host, port);
  EXPECT_EQ(port, 2121);
  ParseFtpServer("", host, port);
  EXPECT_EQ(host, "");
}

TEST(PushSettings, RemoteLevelsStartAndEndEmpty) {
  using Levels = std::vector<std::string>;
  EXPECT_EQ(RemoteDirectoryLevels("meteo\\site"), (Levels{"", "meteo", "site", ""}));
  EXPECT_EQ(RemoteDirectoryLevels("/meteo/site\\"), (Levels{"", "meteo", "site", ""}));
  EXPECT_EQ(RemoteDirectoryLevels(""), (Levels{"", "", ""}));
  EXPECT_EQ(RemoteDirectoryLevels("\\/"), (Levels{"", "", ""}));
}

class PushTlsSettings : public publication_test::PublicationFixture {};

TEST_F(PushTlsSettings, AbsentKeysMeanPlainFtpWithVerificationOn) {
  const auto settings = agent::publication::PushSettings::FromConfiguration(*context_);
  EXPECT_EQ(settings.tls, 0);
  EXPECT_TRUE(settings.tls_verify);
  EXPECT_EQ(settings.tls_ca_file, "");
}

TEST_F(PushTlsSettings, KeysSelectModeVerificationAndAuthority) {
  SetSetting("FTP", "tls", "2");
  SetSetting("FTP", "tls_verify", "0");
  SetSetting("FTP", "tls_ca", "/etc/ssl/local-ca.pem");
  const auto settings = agent::publication::PushSettings::FromConfiguration(*context_);
  EXPECT_EQ(settings.tls, 2);
  EXPECT_FALSE(settings.tls_verify);
  EXPECT_EQ(settings.tls_ca_file, "/etc/ssl/local-ca.pem");
}

}  // namespace

namespace {

class PushTimeoutSetting : public publication_test::PublicationFixture {};

TEST_F(PushTimeoutSetting, FtpTimeoutBoundsEveryWaitOfTheClient) {
  auto client = [this] {
    return agent::publication::ClientSettings(
        *context_, agent::publication::PushSettings::FromConfiguration(*context_));
  };
  const agent::FtpSettings defaults = client();
  SetSetting("FTP", "timeout", "0");
  EXPECT_EQ(client().reply_timeout, defaults.reply_timeout);
  SetSetting("FTP", "timeout", "3");
  const agent::FtpSettings bounded = client();
  EXPECT_EQ(bounded.connect_timeout, std::chrono::seconds(3));
  EXPECT_EQ(bounded.reply_timeout, std::chrono::seconds(3));
  EXPECT_EQ(bounded.stall_timeout, std::chrono::seconds(3));
}

}  // namespace
