// The high/low collection and builder over the fake station.
#include "agent/families/highs_lows.h"

#include <gtest/gtest.h>

#include "tests/agent/families/family_fixture.h"

namespace agent {
namespace {

constexpr std::int32_t kPeriodCodes[] = {0x1000, 0x1800, 0x2800, 0x3000, 0x4C00, 0x5000};

class HighsLowsTest : public FamilyFixture {
 protected:
  // Every identifier the console could be asked for answers 50 at 07:03.
  void EveryFieldSet() {
    for (std::int32_t base = 0; base <= 0x10000000; base += 0x01000000) {
      for (std::int32_t unit : {0x0, 0x0101C0, 0x0901E0, 0x0A0200}) {
        for (std::int32_t code : kPeriodCodes) station().hi_low[base + unit + code] = 50.0f;
      }
    }
    for (std::int32_t id : {0x00080180, 0x00060060, 0x000400E0, 0x00070140, 0x00020080, 0x00000005,
                            0x00000003, 0x00000001, 0x00000002})
      for (std::int32_t code : kPeriodCodes) station().hi_low[id + code] = 50.0f;
    for (auto& [id, value] : station().hi_low) station().hi_low_time[id] = {3, 7, 5, 3, 2010};
  }
  std::size_t Count(const std::string& fragment) {
    KeyedTable<std::string> selected;
    return SelectTagsByKeyFragment(context_->state.catalogue, fragment, selected);
  }
};

TEST_F(HighsLowsTest, EveryFieldSetWritesTheReadSlotsOnly) {
  EveryFieldSet();
  station().hi_low[0x00000000 + 0x1000] = 84.2f;
  station().hi_low_time[0x00000000 + 0x1000] = {5, 14, 5, 3, 2010};
  station().hi_low[0x000400E0 + 0x2800] = 30.12f;
  station().hi_low[0x00020080 + 0x4C00] = 47.6f;
  station().hi_low[0x0F000000 + 0x1800] = 40.0f;
  station().hi_low[0x000101C0 + 0x1000] = 97.0f;
  ASSERT_EQ(AcquireHighsLows(library_, slots_), 1);
  context_->state.catalogue.Clear();
  PublishHighsLows(*context_, slots_);
  EXPECT_EQ(context_->state.catalogue.Count(), 284u);
  EXPECT_EQ(Count("_Date"), 71u);
  EXPECT_EQ(Count("HiLow_Month_") + Count("HiLow_Year_"), 142u);
  EXPECT_EQ(Tag("HiLow_Day_TempExt_VH"), "29.0");
  EXPECT_EQ(Tag("HiLow_Day_TempExt_VH_Date"), "14h05");
  EXPECT_EQ(Tag("HiLow_Day_TempInt_VB_Date"), "07h03");
  EXPECT_EQ(Tag("HiLow_Month_Bar_VH"), "1020.01");
  EXPECT_EQ(Tag("HiLow_Year_VitesseVent_VH"), "77.3");
  EXPECT_EQ(Tag("HiLow_Day_TempFeuille1_VB"), "4.4");
  EXPECT_EQ(Tag("HiLow_Day_HumExt_VH"), "97");
}

TEST_F(HighsLowsTest, NeverReadSlotsKeepTheirPlaceholders) {
  EveryFieldSet();
  ASSERT_EQ(AcquireHighsLows(library_, slots_), 1);
  PublishHighsLows(*context_, slots_);
  for (const char* quantity :
       {"UV", "Pluie", "SolarRad", "VitesseVent", "IndiceTHSW", "IndChaleur"}) {
    EXPECT_EQ(Tag(std::string("HiLow_Day_") + quantity + "_VB"), "---") << quantity;
    EXPECT_EQ(Tag(std::string("HiLow_Day_") + quantity + "_VB_Date"), "---") << quantity;
    EXPECT_EQ(Tag(std::string("HiLow_Year_") + quantity + "_VB"), "---") << quantity;
  }
  EXPECT_EQ(Tag("HiLow_Month_TempRess_VH"), "---");
  EXPECT_EQ(Tag("HiLow_Day_TempRess_VH_Date"), "---");
  EXPECT_EQ(Tag("HiLow_Month_TempExt_VH_Date"), "");
}

TEST_F(HighsLowsTest, DashedValuesLeaveTagsAndAFailedLoadChangesNothing) {
  station().hi_low[0x00000000 + 0x1000] = 84.2f;
  ASSERT_EQ(AcquireHighsLows(library_, slots_), 1);
  PublishHighsLows(*context_, slots_);
  EXPECT_EQ(Tag("HiLow_Day_TempExt_VH"), "29.0");
  EXPECT_EQ(Tag("HiLow_Day_TempExt_VH_Date"), "---");  // valid value, no time
  EXPECT_EQ(Tag("HiLow_Day_TempExt_VB"), "---");
  station().load_result = -32701;
  station().ClearCalls();
  EXPECT_EQ(AcquireHighsLows(library_, slots_), 0);
  EXPECT_EQ(station().Calls().size(), 1u);
}

}  // namespace
}  // namespace agent
