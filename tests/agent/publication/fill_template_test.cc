// The filling engine over a temporary working directory: output files,
// queue entries, journal lines and the mended cases.

#include "agent/publication/fill_template.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "agent/core/upload_queue.h"
#include "agent/publication/template_engine.h"
#include "tests/support/publication_fixture.h"

namespace {

using agent::publication::QueueKey;
using agent::publication::RunTemplatePass;

class TemplateEngineTest : public publication_test::PublicationFixture {
 protected:
  TemplateEngineTest() {
    context_->cache_directory = Path("cache");
    SetSetting("FORMDATA", "SeparatorRQT", ";");
    context_->state.catalogue.Set("TempExt", "12.5");
    context_->state.catalogue.Set("ExtraTemp_1", "10");
    context_->state.catalogue.Set("ExtraTemp_2", "11");
  }
  void Pass() {
    context_->state.templates_due.Set();
    RunTemplatePass(*context_);
  }
  std::string QueuedPath(const std::string& output) {
    const std::string* path = context_->state.upload_queue.Find(QueueKey(output));
    return path ? *path : "";
  }
};

TEST_F(TemplateEngineTest, FillsQueuesAndLogsEachTemplate) {
  WriteBytes(Path("site/index.htm"), "Temp: #TempExt# C\n\n#RQT#ExtraTemp_#\n");
  AddStreamFile("Accueil", Path("site/index.htm"));
  Pass();

  const std::string output = Path("cache/index.htm");
  std::string extras;  // in the catalogue's table order
  context_->state.catalogue.ForEach([&extras](const std::string& name, const std::string& value) {
    if (name.rfind("ExtraTemp_", 0) == 0) extras += value + ";";
  });
  EXPECT_EQ(ReadBytes(output), "Temp: 12.5 C\r\n" + extras + "\r\n");
  EXPECT_EQ(QueuedPath(output), output);
  EXPECT_EQ(QueueKey(output).find('/'), std::string::npos);
  EXPECT_EQ(JournalLines(),
            (std::vector<std::string>{
                "[MoteurInjectionDonnees] : Démarrage de l'injection des données dans les fichiers",
                "[MoteurInjectionDonnees] : Remplissage du fichier => Accueil",
                "[CodeMeteoBrumal] : Critère de recherche trouvé => ExtraTemp_",
                "[RemplisFichier] : Ajout du fichier " + output + " N/S :(" + QueueKey(output) +
                    ") dans le pool de PushFTP",
                "[MoteurInjectionDonnees] : Fin d'injection des données."}));
  EXPECT_FALSE(context_->state.templates_due.IsSet());
  EXPECT_TRUE(context_->state.push_due.IsSet());
}

// A separator holding a request block doubles the line at every catalogue
// entry: the line stops at the limit, the rest of the file is still filled.
TEST_F(TemplateEngineTest, ARunawayLineIsCutWithAJournalLine) {
  SetSetting("FORMDATA", "SeparatorRQT", ";#RQT#ExtraTemp_#");
  for (int i = 0; i < 40; ++i) context_->state.catalogue.Set("Filler_" + std::to_string(i), "f");
  WriteBytes(Path("site/index.htm"), "#RQT#ExtraTemp_#\n#TempExt#\n");
  AddStreamFile("Accueil", Path("site/index.htm"));
  Pass();

  const std::string filled = ReadBytes(Path("cache/index.htm"));
  const std::size_t first_end = filled.find("\r\n");
  ASSERT_NE(first_end, std::string::npos);
  EXPECT_LE(first_end, agent::publication::kMaxSubstitutedLineBytes);
  EXPECT_GT(first_end, agent::publication::kMaxSubstitutedLineBytes / 2);
  EXPECT_EQ(filled.substr(first_end), "\r\n12.5\r\n");
  EXPECT_EQ(JournalLinesStartingWith(
                "[CodeMeteoBrumal] : Ligne trop longue après remplacement (plus de 4194304 "
                "octets), la suite de ses balises n'est pas remplacée.")
                .size(),
            1u);
  EXPECT_EQ(QueuedPath(Path("cache/index.htm")), Path("cache/index.htm"));
}

TEST_F(TemplateEngineTest, NothingDueNothingDone) {
  AddStreamFile("Accueil", Path("site/index.htm"));
  RunTemplatePass(*context_);
  EXPECT_TRUE(JournalLines().empty());
  EXPECT_FALSE(context_->state.push_due.IsSet());
}

TEST_F(TemplateEngineTest, MissingTemplateOnlyLogsItsEntryAndPushIsStillAsked) {
  AddStreamFile("Absent", Path("site/absent.htm"));
  AddStreamFile("Dossier", Path("site"));
  std::filesystem::create_directories(Path("site"));
  Pass();
  EXPECT_EQ(JournalLinesStartingWith("[RemplisFichier]").size(), 0u);
  EXPECT_TRUE(JournalHas("[MoteurInjectionDonnees] : Remplissage du fichier => Absent"));
  EXPECT_EQ(context_->state.upload_queue.Count(), 0u);
  EXPECT_TRUE(context_->state.push_due.IsSet());
}

TEST_F(TemplateEngineTest, SameFileNameTwiceGivesOneOutputAndOneEntry) {
  WriteBytes(Path("a/page.htm"), "first\n");
  WriteBytes(Path("b/page.htm"), "second\n");
  AddStreamFile("Un", Path("a/page.htm"));
  AddStreamFile("Deux", Path("b/page.htm"));
  Pass();
  // The later entry of the table's order wins.
  std::string last;
  context_->state.stream_files.ForEach(
      [&last](const std::string&, const agent::ConfigEntry& entry) { last = entry.key; });
  EXPECT_EQ(ReadBytes(Path("cache/page.htm")), last == "Un" ? "first\r\n" : "second\r\n");
  EXPECT_EQ(context_->state.upload_queue.Count(), 1u);
}

TEST_F(TemplateEngineTest, EmptyTemplateGivesQueuedEmptyOutput) {
  WriteBytes(Path("site/vide.htm"), "\n\r\n");
  AddStreamFile("Vide", Path("site/vide.htm"));
  Pass();
  EXPECT_TRUE(std::filesystem::exists(Path("cache/vide.htm")));
  EXPECT_EQ(ReadBytes(Path("cache/vide.htm")), "");
  EXPECT_EQ(context_->state.upload_queue.Count(), 1u);
}

TEST_F(TemplateEngineTest, ReadOnlyTemplateIsFilled) {
  WriteBytes(Path("site/ro.htm"), "#TempExt#\n");
  std::filesystem::permissions(Path("site/ro.htm"), std::filesystem::perms::owner_read);
  AddStreamFile("LectureSeule", Path("site/ro.htm"));
  Pass();
  EXPECT_EQ(ReadBytes(Path("cache/ro.htm")), "12.5\r\n");
  EXPECT_EQ(context_->state.upload_queue.Count(), 1u);
}

TEST_F(TemplateEngineTest, TemplateInsideTheCacheIsNeverDestroyed) {
  WriteBytes(Path("cache/self.htm"), "#TempExt#\n");
  AddStreamFile("Soi", Path("cache/./self.htm"));
  Pass();
  EXPECT_EQ(ReadBytes(Path("cache/self.htm")), "#TempExt#\n");
  EXPECT_EQ(context_->state.upload_queue.Count(), 0u);
  EXPECT_EQ(JournalLinesStartingWith("[RemplisFichier] : Le fichier ").size(), 1u);
}

TEST_F(TemplateEngineTest, PathPlaceholdersAndBackslashesAreResolved) {
  WriteBytes(Path("site/2026/jour.htm"), "#TempExt#\n");
  AddStreamFile("Jour", "#REPCOURANT#site\\#a#\\jour.htm");
  Pass();
  EXPECT_EQ(ReadBytes(Path("cache/jour.htm")), "12.5\r\n");
}

}  // namespace
