#include "stationlib/data/alarm_block.h"

#include <gtest/gtest.h>

#include "stationlib/data/codes.h"

namespace orbisk::data {
namespace {

constexpr AlarmField kOutsideHigh{9, AlarmEncoding::kTemperature90};
constexpr AlarmField kHighOutsideHum{50, AlarmEncoding::kPercentOrZero};
constexpr AlarmField kLowDewPoint{58, AlarmEncoding::kTemperature120};
constexpr AlarmField kBarRise{0, AlarmEncoding::kBarometer};
constexpr AlarmField kRainRate{85, AlarmEncoding::kRain};
constexpr AlarmField kSolar{83, AlarmEncoding::kSolar};
constexpr AlarmField kWind{63, AlarmEncoding::kWind};

TEST(AlarmBlock, NoneEverywhereAfterReset) {
  const AlarmBlock b = AlarmBlock::none();
  QueryContext ctx;
  double v;
  for (const AlarmField& f :
       {kOutsideHigh, kHighOutsideHum, kLowDewPoint, kBarRise, kRainRate, kSolar, kWind})
    EXPECT_FALSE(b.Get(f, ctx, v));
  EXPECT_EQ(b.TimeAlarm(), -1);
  EXPECT_EQ(b.bytes[93], 255);
}

TEST(AlarmBlock, TemperatureRoundTripAndRange) {
  AlarmBlock b = AlarmBlock::none();
  QueryContext ctx;
  EXPECT_EQ(b.Put(kOutsideHigh, 95.4, ctx), kOk);
  EXPECT_EQ(b.bytes[9], 185);
  double v;
  ASSERT_TRUE(b.Get(kOutsideHigh, ctx, v));
  EXPECT_DOUBLE_EQ(v, 95);
  // 200 F would be stored as 290: out of range, the alarm goes off.
  EXPECT_EQ(b.Put(kOutsideHigh, 200.0, ctx), kBadArgument);
  EXPECT_FALSE(b.Get(kOutsideHigh, ctx, v));
  ctx.units.temperature = 1;
  EXPECT_EQ(b.Put(kLowDewPoint, -5.0, ctx), kOk);  // 23 F
  EXPECT_EQ(b.bytes[58], 143);
  ASSERT_TRUE(b.Get(kLowDewPoint, ctx, v));
  EXPECT_DOUBLE_EQ(v, -5.0);
  EXPECT_EQ(b.Put(kLowDewPoint, -100.0, ctx), kBadArgument);  // below 0 stored
}

TEST(AlarmBlock, HumidityNoneIsZeroOr255) {
  AlarmBlock b = AlarmBlock::none();
  QueryContext ctx;
  double v;
  b.bytes[50] = 0;
  EXPECT_FALSE(b.Get(kHighOutsideHum, ctx, v));
  b.bytes[50] = 80;
  ASSERT_TRUE(b.Get(kHighOutsideHum, ctx, v));
  EXPECT_DOUBLE_EQ(v, 80);
}

TEST(AlarmBlock, BarometerRainSolarWind) {
  AlarmBlock b = AlarmBlock::none();
  QueryContext ctx;
  double v;
  EXPECT_EQ(b.Put(kBarRise, 0.06, ctx), kOk);
  EXPECT_EQ(b.bytes[0], 60);
  ctx.units.barometer = 2;
  ASSERT_TRUE(b.Get(kBarRise, ctx, v));
  EXPECT_DOUBLE_EQ(v, 2.0);                    // 60 x 0.033864 printed with one decimal
  EXPECT_EQ(b.Put(kRainRate, 1.5, ctx), kOk);  // 150 clicks of 0.01 inch
  EXPECT_EQ(b.bytes[85] | (b.bytes[86] << 8), 150);
  ctx.units.rain = 1;
  ASSERT_TRUE(b.Get(kRainRate, ctx, v));
  EXPECT_DOUBLE_EQ(v, 38.1);
  EXPECT_EQ(b.Put(kSolar, 900, ctx), kOk);
  ASSERT_TRUE(b.Get(kSolar, ctx, v));
  EXPECT_DOUBLE_EQ(v, 900);
  ctx.units.wind = 2;
  b.bytes[63] = 20;
  ASSERT_TRUE(b.Get(kWind, ctx, v));
  EXPECT_DOUBLE_EQ(v, 32);  // 32.18 km/h truncated
  ASSERT_TRUE(b.Get(kWind, ctx, v, true));
  EXPECT_NEAR(v, 32.18688, 1e-9);
  EXPECT_EQ(b.Put(kWind, 48.28, ctx), kOk);
  EXPECT_EQ(b.bytes[63], 30);
}

TEST(AlarmBlock, TimeAlarm) {
  AlarmBlock b = AlarmBlock::none();
  EXPECT_EQ(b.PutTimeAlarm("6:30"), kOk);
  EXPECT_EQ(b.TimeAlarm(), 630);
  EXPECT_EQ((b.bytes[4] | (b.bytes[5] << 8)), (~630) & 0xFFFF);
  EXPECT_EQ(b.PutTimeAlarm("18.05"), kOk);
  EXPECT_EQ(b.TimeAlarm(), 1805);
  EXPECT_EQ(b.PutTimeAlarm(""), kBadArgument);
  EXPECT_EQ(b.TimeAlarm(), -1);
  EXPECT_EQ(b.bytes[4], 0);
  EXPECT_EQ(b.PutTimeAlarm("25:00"), kBadArgument);
  EXPECT_EQ(b.PutTimeAlarm(nullptr), kBadArgument);
}

TEST(AlarmBlock, SensorFields) {
  AlarmField f{};
  ASSERT_TRUE(SensorAlarmField(SensorAlarm::kExtraTemp, 2, false, f));
  EXPECT_EQ(f.offset, 10u);
  ASSERT_TRUE(SensorAlarmField(SensorAlarm::kSoilTemp, 4, true, f));
  EXPECT_EQ(f.offset, 25u + 10u);
  ASSERT_TRUE(SensorAlarmField(SensorAlarm::kLeafTemp, 2, false, f));
  EXPECT_EQ(f.offset, 10u + 12u);
  ASSERT_TRUE(SensorAlarmField(SensorAlarm::kExtraHum, 8, true, f));
  EXPECT_EQ(f.offset, 57u);
  ASSERT_TRUE(SensorAlarmField(SensorAlarm::kLeafWet, 1, true, f));
  EXPECT_EQ(f.offset, 79u);
  EXPECT_FALSE(SensorAlarmField(SensorAlarm::kExtraTemp, 1, false, f));
  EXPECT_FALSE(SensorAlarmField(SensorAlarm::kSoilMoisture, 5, false, f));
  EXPECT_FALSE(SensorAlarmField(SensorAlarm::kLeafWet, 3, false, f));
}

}  // namespace
}  // namespace orbisk::data
