// The alarm names, their descriptions and the two tables that use them.
#include <gtest/gtest.h>

#include <set>

#include "agent/families/alarm_checks.h"
#include "agent/families/alarm_description.h"
#include "agent/families/alarm_slots.h"

namespace agent {
namespace {

TEST(DescribeAlarm, NamesAreComparedInUpperCase) {
  EXPECT_EQ(DescribeAlarm("InsideLowTemp"), "Température intérieur en baisse");
  EXPECT_EQ(DescribeAlarm("outsideHiTemp"), "Température extérieur en hausse");
  EXPECT_EQ(DescribeAlarm("hi10minwindspeed"), "Vitesse moyenne du vent sur 10 minutes en hause");
  EXPECT_EQ(DescribeAlarm("TIMESTR"), "Date texte");
  EXPECT_EQ(DescribeAlarm("FlashFlood"), "risque d'inondation");
}

TEST(DescribeAlarm, AnIndexedFamilySharesOneDescriptionWithinItsSensors) {
  EXPECT_EQ(DescribeAlarm("LowExtraTemp[0]"), "Température extérieur en baisse");
  EXPECT_EQ(DescribeAlarm("lowextratemp[6]"), "Température extérieur en baisse");
  EXPECT_EQ(DescribeAlarm("HiSoilMoisture[3]"), "Humidité du sol en hausse");
  EXPECT_EQ(DescribeAlarm("LowLeafWet[1]"), "Humidité du feuillage en baisse");
  for (const char* outside :
       {"LowExtraTemp[7]", "HiSoilTemp[4]", "LowLeafWet[2]", "LowLeafWet[-1]", "LowExtraTemp",
        "LowExtraTemp[]", "LowExtraTemp[1", "LowExtraTemp[1]x", "BarRise[0]", "", "NoSuchAlarm"})
    EXPECT_EQ(DescribeAlarm(outside), "") << outside;
}

TEST(AlarmSlots, FamiliesCoverTheSlotsOnceInOrderAndEveryNameIsDescribed) {
  int next = 0;
  for (const AlarmSlotFamily& family : AlarmSlotFamilies()) {
    EXPECT_EQ(family.first_slot, next) << family.name;
    next += family.count;
  }
  EXPECT_EQ(next, 76);
  std::set<std::string> suffixes;
  for (int slot = 0; slot < kAlarmSlotCount; ++slot) {
    EXPECT_NE(DescribeAlarm(AlarmName(slot)), "") << AlarmName(slot);
    suffixes.insert(AlarmTagSuffix(slot));
  }
  EXPECT_EQ(suffixes.size(), 76u);
  EXPECT_EQ(AlarmTagSuffix(0), "BarRise");
  EXPECT_EQ(AlarmTagSuffix(kHiExtraTempAlarm1 + 6), "HiExtraTemp_7");
  EXPECT_EQ(AlarmName(kHiExtraTempAlarm1 + 6), "HiExtraTemp[6]");
  EXPECT_EQ(AlarmTagSuffix(kAlarmSlotCount - 1), "LowLeafWet_2");
}

TEST(AlarmChecks, SeventyFourChecksEachOnItsOwnThreshold) {
  int checks = 0;
  std::set<int> slots;
  for (const AlarmCheck& check : AlarmChecks()) {
    checks += check.count;
    for (int n = 0; n < check.count; ++n) slots.insert(check.slot + n);
  }
  EXPECT_EQ(checks, 74);
  EXPECT_EQ(slots.size(), 74u);
  // The two thresholds no reading is compared with.
  EXPECT_FALSE(slots.count(kTimeAlarm));
  EXPECT_FALSE(slots.count(kTimeTextAlarm));
}

}  // namespace
}  // namespace agent
