// Site synchronisation: the listing, the queue, the journal, and the marker
// that is written only once the queued site has reached the server.

#include "agent/publication/site_sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "agent/publication/push_engine.h"
#include "platform/files.h"
#include "tests/support/publication_fixture.h"
#include "tests/support/real_ftp_server.h"

namespace {

using namespace agent::publication;

class SiteSyncTest : public publication_test::PublicationFixture {
 protected:
  SiteSyncTest() {
    WriteBytes(Path("site/index.htm"), "i");
    WriteBytes(Path("site/css/style.css"), "s");
    WriteBytes(Path("site/img/icons/sun.png"), "p");
    WriteBytes(Path("site/LISEZMOI"), "l");
    SetSetting("FTP", "LocalRepository", "#REPCOURANT#site");
  }
  std::vector<std::string> Sorted(std::vector<std::string> list) {
    std::sort(list.begin(), list.end());
    return list;
  }
  SyncMarker marker_;
};

TEST_F(SiteSyncTest, ListsEveryFileAtAnyDepthWithOrWithoutTrailingSeparator) {
  std::vector<std::string> plain, trailing;
  EXPECT_EQ(ListFilesRecursive(platform::Env::Default(), Path("site"), plain, "*.*", true), 4);
  EXPECT_EQ(
      ListFilesRecursive(platform::Env::Default(), Path("site") + "\\", trailing, "*.*", true), 4);
  EXPECT_EQ(plain, trailing);
  EXPECT_EQ(Sorted(plain),
            (std::vector<std::string>{Path("site/LISEZMOI"), Path("site/css/style.css"),
                                      Path("site/img/icons/sun.png"), Path("site/index.htm")}));
  std::vector<std::string> flat;
  EXPECT_EQ(ListFilesRecursive(platform::Env::Default(), Path("site"), flat, "*.*", false), 2);
  std::vector<std::string> none;
  EXPECT_EQ(ListFilesRecursive(platform::Env::Default(), Path("absent"), none, "*.*", true), 0);
}

TEST_F(SiteSyncTest, QueuesTheTreeAndWritesTheMarkerOnlyOnceAllIsUploaded) {
  SynchroniseSite(*context_, marker_);
  EXPECT_EQ(context_->state.upload_queue.Count(), 4u);
  EXPECT_TRUE(context_->state.push_due.IsSet());
  EXPECT_TRUE(
      JournalHas("[SynchroSite] : Récupération effectué. 4 fichier(s) ont été ressencé(s)."));
  EXPECT_TRUE(JournalHas("[SynchroSite] : Lancement du téléchargement du site."));
  EXPECT_EQ(JournalLines().back(), "[SynchroSite] : Opération terminée.");
  EXPECT_FALSE(platform::FileExists(SyncMarkerPath(*context_)));

  std::vector<std::string> files;
  ListFilesRecursive(platform::Env::Default(), Path("site"), files, "*.*", true);
  for (std::size_t i = 0; i + 1 < files.size(); ++i) marker_.OnUploaded(*context_, files[i]);
  EXPECT_FALSE(platform::FileExists(SyncMarkerPath(*context_)));
  marker_.OnUploaded(*context_, files.back());
  ASSERT_TRUE(platform::FileExists(SyncMarkerPath(*context_)));
  EXPECT_TRUE(std::regex_match(ReadBytes(SyncMarkerPath(*context_)),
                               std::regex(R"(\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d)")));
  EXPECT_TRUE(JournalHas("[SynchroSite] : Création du fichier indice."));
}

TEST_F(SiteSyncTest, PresentMarkerGivesExactlyThreeLines) {
  WriteBytes(SyncMarkerPath(*context_), "");
  SynchroniseSite(*context_, marker_);
  EXPECT_EQ(
      JournalLines(),
      (std::vector<std::string>{
          "[SynchroSite] : Recherche de l'indicateur de synchronisation du site.",
          "[SynchroSite] : Le fichier indice existe, pas besoin de faire une synchronisation.",
          "[SynchroSite] : Opération terminée."}));
  EXPECT_EQ(context_->state.upload_queue.Count(), 0u);
}

TEST_F(SiteSyncTest, EmptySiteWritesNoMarkerAndNoSettingDoesNothing) {
  std::filesystem::create_directories(Path("empty"));
  SetSetting("FTP", "LocalRepository", Path("empty"));
  SynchroniseSite(*context_, marker_);
  EXPECT_TRUE(JournalHas("[SynchroSite] : Pas de fichier à transferer."));
  EXPECT_FALSE(marker_.Pending());
  EXPECT_FALSE(platform::FileExists(SyncMarkerPath(*context_)));

  SetSetting("FTP", "LocalRepository", "");
  const std::size_t before = JournalLines().size();
  SynchroniseSite(*context_, marker_);
  EXPECT_EQ(JournalLines().size(), before);
}

TEST_F(SiteSyncTest, UploadsTheSiteOnceAndNotAgainAtTheNextStart) {
  test_support::RealFtpServer server;
  ASSERT_TRUE(server.running()) << server.error();
  PushSettings settings;
  settings.host = "127.0.0.1";
  settings.port = server.port();
  settings.user = "meteo";
  settings.password = "wrong";
  settings.passive = 1;
  const auto connect = [](agent::FtpSettings s) { return agent::MakeFtpClient(std::move(s)); };
  const UploadObserver observer = [this](const std::string& path) {
    marker_.OnUploaded(*context_, path);
  };

  SynchroniseSite(*context_, marker_);
  RunOnePush(*context_, settings, connect, observer);  // wrong password: nothing is marked
  EXPECT_FALSE(platform::FileExists(SyncMarkerPath(*context_)));

  settings.password = "s3cret";
  RunOnePush(*context_, settings, connect, observer);
  EXPECT_EQ(server.ReadFile("sun.png"), "p");
  EXPECT_EQ(server.ReadFile("style.css"), "s");
  EXPECT_TRUE(platform::FileExists(SyncMarkerPath(*context_)));

  const std::size_t queued_before = context_->state.upload_queue.Count();
  SynchroniseSite(*context_, marker_);  // the next start
  EXPECT_EQ(context_->state.upload_queue.Count(), queued_before);
  EXPECT_TRUE(JournalHas(
      "[SynchroSite] : Le fichier indice existe, pas besoin de faire une synchronisation."));
}

}  // namespace
