// One build of each family with every sensor present fills the whole catalogue.
#include <gtest/gtest.h>

#include "agent/catalogue/station_time.h"
#include "agent/families/current_data.h"
#include "agent/families/highs_lows.h"
#include "agent/families/station_configuration.h"
#include "tests/agent/families/family_fixture.h"

namespace agent {
namespace {

class FullCatalogueTest : public FamilyFixture {};

TEST_F(FullCatalogueTest, EveryServiceBuiltOnceGivesAllTags) {
  auto& s = station();
  for (const char* getter :
       {"_GetInsideTemp_O@0", "_GetOutsideTemp_O@0", "_GetBarometer_O@0", "_GetWindChill_O@0",
        "_GetDewPt_O@0", "_GetDailyRain_O@0", "_GetMonthlyRain_O@0", "_GetStormRain_O@0",
        "_GetTotalRain_O@0", "_GetRainRate_O@0", "_GetWindSpeed_O@0"})
    s.floats[getter] = 30.0f;
  for (const char* getter :
       {"_GetInsideHumidity_O@0", "_GetOutsideHumidity_O@0", "_GetWindDir_O@0"})
    s.numbers[getter] = 40;
  for (std::int32_t id : {0x19020080, 0x01020080, 0x1A020080, 0x00056C40, 0x00057040, 0x00070140,
                          0x00080180, 0x00000004, 0x00000003, 0x020400E0, 0x0D0C0220})
    s.by_id[id] = 30.0f;
  for (int n = 0; n < 7; ++n) {
    s.by_id[0x02000000 + n * 0x01000000] = 50.0f;
    s.by_id[0x020101C0 + n * 0x01000000] = 50.0f;
  }
  for (int n = 0; n < 4; ++n) {
    s.by_id[0x09000000 + n * 0x01000000] = 50.0f;
    s.by_id[0x090901E0 + n * 0x01000000] = 50.0f;
  }
  for (int n = 0; n < 2; ++n) {
    s.by_id[0x0F000000 + n * 0x01000000] = 50.0f;
    s.by_id[0x0F0A0200 + n * 0x01000000] = 5.0f;
  }
  s.text_by_id = {{0x000300C0, "N"}, {0x000402A0, "Steady"}, {0x0C0C0220, "Windy. "}};
  for (std::int32_t base = 0; base <= 0x10000000; base += 0x01000000)
    for (std::int32_t unit : {0x0, 0x0101C0, 0x0901E0, 0x0A0200})
      for (std::int32_t code : {0x1000, 0x1800, 0x2800, 0x3000, 0x4C00, 0x5000})
        s.hi_low[base + unit + code] = 50.0f;
  for (std::int32_t id : {0x00080180, 0x00060060, 0x000400E0, 0x00070140, 0x00020080, 0x00000005,
                          0x00000003, 0x00000001, 0x00000002})
    for (std::int32_t code : {0x1000, 0x1800, 0x2800, 0x3000, 0x4C00, 0x5000})
      s.hi_low[id + code] = 50.0f;
  s.text_by_id[0x090C0220] = "4.71";

  ASSERT_EQ(AcquireCurrentData(*context_, library_, slots_), 1);
  ASSERT_EQ(AcquireHighsLows(library_, slots_), 1);
  ASSERT_EQ(AcquireStationConfiguration(*context_, library_, slots_), 1);
  ValueCatalogue& catalogue = context_->state.catalogue;
  for (const char* tag : {"TitreApplicationGlobal", "TitreApplication", "VersionApplication"})
    SetTag(catalogue, tag, "x");
  PublishCurrentData(*context_, slots_, {});
  PublishHighsLows(*context_, slots_);
  PublishStationConfiguration(*context_, slots_);
  PublishStationTime(context_->state, StationTimeSlot());
  EXPECT_EQ(catalogue.Count(), 433u);
}

}  // namespace
}  // namespace agent
