#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <string>

#include "agent/catalogue/initial_tags.h"
#include "agent/catalogue/station_time.h"
#include "agent/catalogue/value_catalogue.h"
#include "platform/env.h"

namespace {

using namespace agent;

class CatalogueTest : public ::testing::Test {
 protected:
  platform::FakeClock clock_;
  AgentContext context_{clock_, AgentPaths{"/nonexistent", "/nonexistent", "/nonexistent/tvl"}};
  StationTimeSlot station_time_;
  ValueCatalogue& catalogue() { return context_.state.catalogue; }
};

TEST_F(CatalogueTest, SetAndReadTags) {
  EXPECT_EQ(ReadTag(catalogue(), "TempExt"), "");
  EXPECT_EQ(catalogue().Count(), 0u);  // a read creates nothing
  SetTag(catalogue(), "TempExt", "12.5");
  SetTag(catalogue(), "TempExt", "13.1");
  EXPECT_EQ(ReadTag(catalogue(), "TempExt"), "13.1");
  EXPECT_EQ(ReadTag(catalogue(), "tempext"), "");
  EXPECT_EQ(catalogue().Count(), 1u);
}

TEST_F(CatalogueTest, SelectByFragmentCopiesMatchingTagsAndCountsTheTarget) {
  SetTag(catalogue(), "HiLow_Day_TempExt_VH", "21.0");
  SetTag(catalogue(), "HiLow_Day_TempExt_VB", "3.0");
  SetTag(catalogue(), "HiLow_Month_TempExt_VH", "25.0");
  SetTag(catalogue(), "hilow_day_x", "case differs");
  KeyedTable<std::string> target;
  EXPECT_EQ(SelectTagsByKeyFragment(catalogue(), "HiLow_Day_", target), 2u);
  EXPECT_EQ(*target.Find("HiLow_Day_TempExt_VB"), "3.0");
  target.Set("Existing", "x");
  EXPECT_EQ(SelectTagsByKeyFragment(catalogue(), "Month", target), 4u);
  KeyedTable<std::string> untouched;
  EXPECT_EQ(SelectTagsByKeyFragment(catalogue(), "", untouched), 0u);
  EXPECT_EQ(untouched.Count(), 0u);
}

TEST_F(CatalogueTest, ForEachTagVisitsEveryTagInTableOrder) {
  for (int i = 0; i < 50; ++i) SetTag(catalogue(), "Tag" + std::to_string(i), std::to_string(i));
  std::vector<std::string> seen;
  ForEachTag(catalogue(),
             [&](const std::string& name, const std::string&) { seen.push_back(name); });
  EXPECT_EQ(seen, catalogue().Keys());
  EXPECT_EQ(seen.size(), 50u);
}

TEST_F(CatalogueTest, PlaceholderListHas216DistinctTags) {
  const auto& names = InitialPlaceholderTags();
  EXPECT_EQ(names.size(), 216u);
  std::set<std::string_view> distinct(names.begin(), names.end());
  EXPECT_EQ(distinct.size(), 216u);
  for (const char* name :
       {"TempInt", "ExtraTemp_7", "HumFeuillage_4", "ETAnnee", "TempStation", "TransmetteurID_7",
        "VoltageBatterieRepeteur", "HiLow_Day_VitesseVent_VB_Date", "HiLow_Year_Bar_VB",
        "HiLow_Day_HumFeuille2_VH_Date", "TempCollecteActuel", "TexteFuseauHoraire",
        "PluieDernierre24Heures"})
    EXPECT_TRUE(distinct.count(name)) << name;
  for (const char* absent : {"TempSol_1", "HiLow_Day_HumFeuille1_VB", "HiLow_Month_TempExt_VH_Date",
                             "TransmetteurType_8"})
    EXPECT_FALSE(distinct.count(absent)) << absent;
}

int g_hook_calls = 0;
bool g_tags_empty_during_hook = false;
void CountingHook(AgentContext& context) {
  ++g_hook_calls;
  g_tags_empty_during_hook = ReadTag(context.state.catalogue, "TempExt").empty();
}

TEST_F(CatalogueTest, InitialiseTagsDrawsFirstThenWritesPlaceholdersAndAsksForTemplates) {
  SetTag(catalogue(), "TempExt", "from user data");
  SetTag(catalogue(), "Ville", "Brest");
  const ImageHook hooks[] = {[this] { CountingHook(context_); },
                             [this] { CountingHook(context_); }};
  g_hook_calls = 0;
  InitialiseTags(context_, hooks);
  EXPECT_EQ(g_hook_calls, 2);
  EXPECT_FALSE(g_tags_empty_during_hook);  // the hooks ran before the placeholders
  EXPECT_EQ(ReadTag(catalogue(), "TempExt"), "---");
  EXPECT_EQ(ReadTag(catalogue(), "Ville"), "Brest");
  EXPECT_EQ(ReadTag(catalogue(), "TempProchaineCollecte"), "2");
  EXPECT_EQ(ReadTag(catalogue(), "Alertes"), "Aucune alerte en cours.");
  EXPECT_EQ(catalogue().Count(), 216u + 3u);
  EXPECT_TRUE(context_.state.templates_due.Take());
}

TEST_F(CatalogueTest, StationTimeTagsHaveNoLeadingZeros) {
  station_time_.Store(OrbiskDateTime{7, 9, 5, 3, 2010});
  PublishStationTime(context_.state, station_time_);
  EXPECT_EQ(ReadTag(catalogue(), "TempStation_Heure"), "9");
  EXPECT_EQ(ReadTag(catalogue(), "TempStation_Minute"), "7");
  EXPECT_EQ(ReadTag(catalogue(), "TempStation_Jour"), "5");
  EXPECT_EQ(ReadTag(catalogue(), "TempStation_Mois"), "3");
  EXPECT_EQ(ReadTag(catalogue(), "TempStation_Annee"), "2010");
  EXPECT_EQ(ReadTag(catalogue(), "TempStation"), "05/03/2010 09h07");
  station_time_.Store(OrbiskDateTime{-1, -1, -1, -1, -1});
  PublishStationTime(context_.state, station_time_);
  EXPECT_EQ(ReadTag(catalogue(), "TempStation_Heure"), "-1");
  EXPECT_EQ(ReadTag(catalogue(), "TempStation"), "---");
}

}  // namespace
