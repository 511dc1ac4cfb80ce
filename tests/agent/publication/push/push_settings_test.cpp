#include "agent/publication/push_settings.h"

#include <gtest/gtest.h>

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

}  // namespace
