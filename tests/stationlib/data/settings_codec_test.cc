#include "stationlib/data/settings_codec.h"

#include <gtest/gtest.h>

#include "stationlib/data/calibration.h"
#include "stationlib/data/codes.h"

namespace orbisk::data {
namespace {

TEST(UnitsBits, DecodeTheConsoleEncoding) {
  // barometer 2 (-> 3), temperature code 2 (-> C), elevation bit clear, rain bit, wind 1 (-> 3).
  const Units u = DecodeUnits(static_cast<std::uint8_t>(2 | (2 << 2) | (1 << 5) | (1 << 6)));
  EXPECT_EQ(u.barometer, 3);
  EXPECT_EQ(u.temperature, 1);
  EXPECT_EQ(u.elevation, 1);
  EXPECT_EQ(u.rain, 1);
  EXPECT_EQ(u.wind, 3);
  // Every setting reads back as it was written.
  for (std::uint8_t t = 0; t < 2; ++t)
    for (std::uint8_t b = 0; b < 4; ++b)
      for (std::uint8_t w = 0; w < 4; ++w)
        for (std::uint8_t e = 0; e < 2; ++e) {
          const Units in{t, static_cast<std::uint8_t>(b % 2), b, w, e};
          const Units out = DecodeUnits(EncodeUnits(in));
          EXPECT_EQ(out.temperature, t);
          EXPECT_EQ(out.rain, in.rain);
          EXPECT_EQ(out.barometer, b);
          EXPECT_EQ(out.wind, w);
          EXPECT_EQ(out.elevation, e);
        }
}

TEST(RainCollector, StationBitsAndLibraryModel) {
  EXPECT_EQ(StationRainModel(0x00), 1);
  EXPECT_EQ(StationRainModel(0x10), 2);
  EXPECT_EQ(StationRainModel(0x20), 6);
  EXPECT_EQ(StationRainModel(0x30), 1);
  EXPECT_EQ(WithStationRainCode(0xFF, 3), 0xEF);
  RainCollector rc;
  EXPECT_FALSE(rc.Set(7));
  EXPECT_EQ(rc.model, 1);
  EXPECT_TRUE(rc.Set(3));
  EXPECT_DOUBLE_EQ(rc.ClickInches(), 0.03937);
}

TEST(Position, DegreesMinutesSeconds) {
  const OrbiskPosition r = DecodePosition(-1234);
  EXPECT_FLOAT_EQ(r.degrees, -123.4f);
  EXPECT_EQ(r.negative, 1);
  EXPECT_EQ(r.wholeDegrees, 123);
  EXPECT_EQ(r.minutes, 24);
  EXPECT_EQ(r.seconds, 0);
  std::int16_t tenths = 0;
  EXPECT_TRUE(EncodePosition({0, 0.0f, 1, 45, 30, 0}, 90, tenths));
  EXPECT_EQ(tenths, -455);
  EXPECT_TRUE(EncodePosition({1, 48.86f, 0, 0, 0, 0}, 90, tenths));
  EXPECT_EQ(tenths, 489);
  EXPECT_FALSE(EncodePosition({1, 91.0f, 0, 0, 0, 0}, 90, tenths));
  EXPECT_TRUE(EncodePosition({1, 179.0f, 0, 0, 0, 0}, 180, tenths));
  EXPECT_FALSE(EncodePosition({0, 0.0f, 0, 10, 60, 0}, 90, tenths));
}

TEST(TimeZone, ZoneTableAndOffsets) {
  EXPECT_EQ(ZoneOffset(0), -1200);
  EXPECT_EQ(ZoneOffset(13), -330);
  EXPECT_EQ(ZoneOffset(46), 1200);
  std::array<std::uint8_t, 6> block{};
  ASSERT_TRUE(EncodeTimeZone({1, 30, 0.0f, 1, 1}, block));
  EXPECT_EQ(block[5], 0);
  EXPECT_EQ(block[1], 0);
  EXPECT_EQ(static_cast<std::int16_t>(block[3] | (block[4] << 8)), 330);
  OrbiskTimeZone r = DecodeTimeZone(block);
  EXPECT_EQ(r.useIndex, 1);
  EXPECT_EQ(r.index, 30);
  EXPECT_FLOAT_EQ(r.gmtOffsetHours, 3.3f);
  EXPECT_EQ(r.autoSummerTime, 1);
  ASSERT_TRUE(EncodeTimeZone({0, 0, -3.5f, 0, 0}, block));
  EXPECT_EQ(static_cast<std::int16_t>(block[3] | (block[4] << 8)), -330);
  EXPECT_EQ(block[5], 1);
  EXPECT_FALSE(EncodeTimeZone({1, 47, 0, 0, 0}, block));
  EXPECT_FALSE(EncodeTimeZone({0, 0, 12.5f, 0, 0}, block));
}

TEST(TxConfig, NewFirmwareWithRepeaters) {
  FirmwareFeatures f;
  f.new_firmware = f.repeater = true;
  TxConfig c;
  c.type = {1, 3, 7, 10, 0, 2, 0, 0};
  c.repeater = {0, 2, 0, 0, 0, 8, 0, 0};
  std::array<std::uint8_t, 16> bytes{};
  ASSERT_TRUE(EncodeTxConfig(c, f, bytes));
  EXPECT_EQ(bytes[2], 0x93);  // type 3 behind repeater 2
  const TxConfig back = DecodeTxConfig(bytes, 8, f);
  EXPECT_EQ(back.type[0], 1);
  EXPECT_EQ(back.type[1], 3);
  EXPECT_EQ(back.repeater[1], 2);
  EXPECT_EQ(back.repeater[5], 8);
  EXPECT_EQ(bytes[8], 0xFF);  // transmitter 5 is off
  EXPECT_EQ(back.repeater[4], 0);
  EXPECT_EQ(back.type[3], 10);
  EXPECT_EQ(back.type[7], 12);  // the console's own transmitter
  EXPECT_EQ(TransmitterTemperatureSlot(bytes, 2), 1);
  EXPECT_EQ(TransmitterHumiditySlot(bytes, 2), 1);
  EXPECT_EQ(TransmitterTemperatureSlot(bytes, 6), 2);
  EXPECT_EQ(TransmitterHumiditySlot(bytes, 6), -1);
  EXPECT_EQ(TransmitterTemperatureSlot(bytes, 1), -1);
}

TEST(TxConfig, OldFirmwareMappingsAndChecks) {
  FirmwareFeatures f;
  f.new_firmware = false;
  f.from2002 = false;
  std::array<std::uint8_t, 16> bytes{};
  bytes[0] = 0x18;  // H=1, L=8 before March 2002 -> 11
  bytes[2] = 0x40;  // H=4, L=0 -> 6
  bytes[4] = 0x19;  // L=9 only from March 2002
  bytes[6] = 0x43;
  TxConfig c = DecodeTxConfig(bytes, 0, f);
  EXPECT_EQ(c.type[0], 11);
  EXPECT_EQ(c.type[1], 6);
  EXPECT_EQ(c.type[2], 0);
  EXPECT_EQ(c.type[3], 3);
  f.from2002 = true;
  c = DecodeTxConfig(bytes, 0, f);
  EXPECT_EQ(c.type[0], 10);
  EXPECT_EQ(c.type[2], 11);
  // Two integrated suites, or a 10 with an 8, are refused.
  TxConfig bad;
  bad.type = {1, 6, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(EncodeTxConfig(bad, f, bytes));
  bad.type = {10, 8, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(EncodeTxConfig(bad, f, bytes));
  f.from2002 = false;
  bad.type = {10, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(EncodeTxConfig(bad, f, bytes));
  TxConfig good;
  good.type = {11, 4, 5, 0, 0, 0, 0, 0};
  ASSERT_TRUE(EncodeTxConfig(good, f, bytes));
  EXPECT_EQ(DecodeTxConfig(bytes, 0, f).type, good.type);
}

TEST(Calibration, OffsetsMoveTheReadings) {
  CalibrationMirror m;
  m.readings[2] = 0xE8;  // outside 1000 tenths = 100.0 F
  m.readings[3] = 0x03;
  m.offsets[2] = 10;  // +1.0 F
  m.readings[35] = 50;
  QueryContext ctx;
  EXPECT_EQ(m.PutTemperatureOffset(1, -2.0), kOk);
  EXPECT_EQ(m.TemperatureOffset(1), -20);
  EXPECT_EQ(m.TemperatureReading(1), 970);
  EXPECT_EQ(m.PutTemperatureOffset(1, 13.0), kFail);
  EXPECT_EQ(m.PutTemperatureValue(1, 96.0, ctx), kOk);  // uncalibrated 99.0 F
  EXPECT_EQ(m.TemperatureOffset(1), -30);
  EXPECT_EQ(m.TemperatureReading(1), 960);
  EXPECT_EQ(m.PutTemperatureValue(1, 120.0, ctx), kFail);
  EXPECT_EQ(m.PutHumidityOffset(1, 5), kOk);
  EXPECT_EQ(m.HumidityReading(1), 55);
  EXPECT_EQ(m.PutHumidityOffset(1, 60), kFail);  // reading would pass 100
  EXPECT_EQ(m.PutHumidityValue(1, 40), kOk);
  EXPECT_EQ(m.HumidityOffset(1), -10);
  const CalibrationRecord r = m.Record(ctx);
  EXPECT_FLOAT_EQ(r.outside_temp, 96.0f);
  EXPECT_FLOAT_EQ(r.outside_temp_offset, -3.0f);
  EXPECT_EQ(r.outside_hum, 40);
}

}  // namespace
}  // namespace orbisk::data
