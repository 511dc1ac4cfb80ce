#include "stationlib/data/current_data.h"

#include <gtest/gtest.h>

#include <cstring>

#include "stationlib/data/codes.h"
#include "stationlib/data/derived.h"
#include "tests/stationlib/data/packet_builder.h"

namespace orbisk::data {
namespace {

using testing::PacketBuilder;
using testing::TypicalLoop;

class CurrentDataTest : public ::testing::Test {
 protected:
  void Load(const PacketBuilder<99>& p) {
    ASSERT_TRUE(DecodeLivePacket(p.bytes, ctx_.features, store_));
  }
  double number(std::uint32_t id) {
    const ValueAnswer a = QueryCurrent(id, store_, ctx_);
    EXPECT_EQ(a.code, kOk) << std::hex << id;
    return a.number;
  }
  int code(std::uint32_t id) { return QueryCurrent(id, store_, ctx_).code; }
  std::string text(std::uint32_t id, int length = 128, int* result = nullptr) {
    char buffer[256];
    std::memset(buffer, 'X', sizeof buffer);
    const int r = WriteAnswerText(QueryCurrent(id, store_, ctx_), buffer, length);
    if (result) *result = r;
    return std::string(buffer, strnlen(buffer, sizeof buffer));
  }
  CurrentStore store_;
  QueryContext ctx_;
};

TEST_F(CurrentDataTest, RejectsBadHeaderOrType) {
  auto p = TypicalLoop();
  p.u8(0, 'X');
  EXPECT_FALSE(DecodeLivePacket(p.bytes, ctx_.features, store_));
  p = TypicalLoop();
  p.u8(4, 1);
  EXPECT_FALSE(DecodeLivePacket(p.bytes, ctx_.features, store_));
}

TEST_F(CurrentDataTest, TemperaturesInBothUnits) {
  auto p = TypicalLoop();
  p.u8(18, 160).u8(25, 140).u8(30, 100);
  Load(p);
  EXPECT_DOUBLE_EQ(number(0), 72.5);
  EXPECT_DOUBLE_EQ(number(0x1000000), 70.0);
  EXPECT_DOUBLE_EQ(number(0x2000000), 70.0);   // extra 1: 160 - 90
  EXPECT_DOUBLE_EQ(number(0x9000000), 50.0);   // soil 1
  EXPECT_DOUBLE_EQ(number(0x10000000), 10.0);  // leaf 2
  EXPECT_EQ(code(0x3000000), kDashed);
  EXPECT_EQ(text(0), "72.5");
  ctx_.units.temperature = 1;
  EXPECT_NEAR(number(0), 22.5, 1e-9);
  EXPECT_NEAR(number(0x2000000), 21.111111, 1e-5);
  EXPECT_EQ(text(0x1000000), "21.1");
  EXPECT_EQ(code(0xD000000), kBadIdentifier);  // index 13 names no sensor
}

TEST_F(CurrentDataTest, DashedRules) {
  auto p = TypicalLoop();
  p.u16(7, 15999).u16(12, 0x7FFF).u8(33, 127).u16(44, 0x7FFF).u8(43, 255).u16(87, 517);
  Load(p);
  EXPECT_EQ(code(0x400E0), kDashed);
  EXPECT_EQ(code(0), kDashed);
  EXPECT_EQ(code(0x101C0), kDashed);
  EXPECT_EQ(code(1), kDashed);  // dew point needs the humidity
  EXPECT_EQ(code(0x70140), kDashed);
  EXPECT_EQ(code(0x80180), kDashed);
  EXPECT_EQ(code(0x90C0220), kDashed);
  int r = 0;
  EXPECT_EQ(text(0x400E0, 7, &r), "------");
  EXPECT_EQ(r, kDashed);
  EXPECT_EQ(text(0, 7, &r), "---");
  EXPECT_EQ(r, kDashed);
  p.u16(7, 16000);
  Load(p);
  EXPECT_DOUBLE_EQ(number(0x400E0), 16.0);
  EXPECT_EQ(text(0x400E0), "16.000");
}

TEST_F(CurrentDataTest, BarometerUnitsAndTrend) {
  Load(TypicalLoop());
  EXPECT_DOUBLE_EQ(number(0x400E0), 30.0);
  ctx_.units.barometer = 1;
  EXPECT_NEAR(number(0x400E0), 762.0, 1e-9);
  EXPECT_EQ(text(0x400E0), "762.0");
  ctx_.units.barometer = 2;
  EXPECT_NEAR(number(0x400E0), 1015.92, 1e-9);
  EXPECT_EQ(text(0x402A0), "Steady");
  EXPECT_EQ(code(0x10400E0), kDashed);
  auto p = TypicalLoop();
  p.u8(3, static_cast<std::uint8_t>(-60));
  Load(p);
  EXPECT_EQ(text(0x402A0), "Falling Rapidly");
  EXPECT_DOUBLE_EQ(number(0x402A0), -60);
  p.u8(3, 7);
  Load(p);
  EXPECT_EQ(code(0x402A0), kDashed);
  ctx_.features.no_bar_trend = true;
  p.u8(3, 20);
  Load(p);
  EXPECT_EQ(code(0x402A0), kDashed);
}

TEST_F(CurrentDataTest, WindDirectionSectors) {
  auto p = TypicalLoop();
  p.u16(16, 348);
  Load(p);
  EXPECT_EQ(text(0x300C0), "NNW");
  EXPECT_DOUBLE_EQ(number(0x300C0), 15);
  p.u16(16, 349);
  Load(p);
  EXPECT_EQ(text(0x300C0), "N");
  EXPECT_EQ(text(0x300A0), "349");
  EXPECT_DOUBLE_EQ(number(0x300A0), 349);
}

TEST_F(CurrentDataTest, WindSpeedsAndSecondPacket) {
  Load(TypicalLoop());
  EXPECT_DOUBLE_EQ(number(0x20080), 10.0);
  ctx_.units.wind = 2;
  EXPECT_NEAR(number(0x20080), 16.09344, 1e-9);
  EXPECT_NEAR(number(0x1020080), 8 * 1.609344, 1e-9);
  EXPECT_EQ(code(0x19020080), kDashed);  // no second packet yet
  PacketBuilder<99> lps;
  lps.u16(20, 127).u16(22, 25).u16(54, 3).u16(58, 40).u16(69, 29921);
  DecodeSecondPacket(lps.bytes, store_);
  EXPECT_DOUBLE_EQ(number(0x19020080), 12.0);  // mph, fraction dropped, not converted
  EXPECT_DOUBLE_EQ(number(0x1A020080), 25.0);
  EXPECT_DOUBLE_EQ(number(0x20400E0), 29921.0);
  EXPECT_DOUBLE_EQ(number(0x56C40), 0.03);
  EXPECT_DOUBLE_EQ(number(0x57040), 0.40);
}

TEST_F(CurrentDataTest, RainByCollectorModel) {
  Load(TypicalLoop());
  EXPECT_DOUBLE_EQ(number(0x52440), 0.15);
  EXPECT_EQ(text(0x52440), "0.15");
  EXPECT_DOUBLE_EQ(number(0x55440), 0.20);
  EXPECT_DOUBLE_EQ(number(0x55840), 1.20);
  EXPECT_DOUBLE_EQ(number(0x55C40), 9.00);
  ctx_.units.rain = 1;
  EXPECT_NEAR(number(0x52440), 3.81, 1e-9);
  EXPECT_EQ(text(0x52440), "3.8");
  ctx_.rain.Set(2);
  EXPECT_NEAR(number(0x52440), 3.0, 1e-9);
  EXPECT_NEAR(number(0x60060), 2.4, 1e-9);
  ctx_.rain.Set(0);
  EXPECT_EQ(code(0x52440), kDashed);
  EXPECT_NEAR(number(0x60060), 12 * 2.54, 1e-9);
}

TEST_F(CurrentDataTest, EtSolarUvHumidity) {
  Load(TypicalLoop());
  EXPECT_DOUBLE_EQ(number(0x244D), 0.123);
  EXPECT_DOUBLE_EQ(number(0x584D), 2.5 + 0.123);
  EXPECT_DOUBLE_EQ(number(0x5C4D), 30.0 + 0.123);
  EXPECT_EQ(text(0x244D), "0.123");
  EXPECT_DOUBLE_EQ(number(0x70140), 640);
  EXPECT_EQ(text(0x70140), "640");
  EXPECT_DOUBLE_EQ(number(0x80180), 3.5);
  EXPECT_DOUBLE_EQ(number(0x101C0), 45);
  EXPECT_DOUBLE_EQ(number(0x10101C0), 40);
  EXPECT_EQ(text(0x101C0), "45");
  EXPECT_NEAR(number(0x90C0220), ((800 * 300) >> 9) / 100.0, 1e-9);
}

TEST_F(CurrentDataTest, SoilLeafAcceptAnyUnitBits) {
  auto p = TypicalLoop();
  p.u8(62, 30).u8(67, 7);
  Load(p);
  EXPECT_DOUBLE_EQ(number(0x9090000), 30);
  EXPECT_DOUBLE_EQ(number(0x90901E0), 30);
  EXPECT_DOUBLE_EQ(number(0x100A0200), 7);
  EXPECT_EQ(code(0x90A0000), kBadIdentifier);  // soil index for leaf wetness
  EXPECT_EQ(code(0x9090001), kBadIdentifier);
}

TEST_F(CurrentDataTest, InvalidIdentifiers) {
  Load(TypicalLoop());
  for (std::uint32_t id :
       {0x5u, 0x6u, 0x1000005u, 0x8000u, 0x20081u, 0x400E1u, 0x7u, 0x1Fu, 0xE0C0220u})
    EXPECT_EQ(code(id), kBadIdentifier) << std::hex << id;
  int r = 0;
  EXPECT_EQ(text(5, 16, &r), "---");
  EXPECT_EQ(r, kBadIdentifier);
}

TEST_F(CurrentDataTest, BatteryTexts) {
  auto p = TypicalLoop();
  p.u8(86, 0x02).u8(69, 0x81);
  Load(p);
  const std::string tx = text(0xA0C0220);
  EXPECT_EQ(tx, "TX Battery Status: 1-ok   2-LOW  3-ok   4-ok   5-ok   6-ok   7-ok   8-ok   ");
  EXPECT_EQ(tx.size(), 75u);  // the minimum buffer (84) leaves room
  EXPECT_EQ(code(0xB0C0220), kDashed);
  ctx_.features.repeater = true;
  EXPECT_EQ(text(0xB0C0220),
            "Repeater Battery Status: A-LOW  B-ok   C-ok   D-ok   E-ok   F-ok   G-ok   H-LOW  ");
  int r = 0;
  char small[83];
  std::memset(small, 'Z', sizeof small);
  EXPECT_EQ(WriteAnswerText(QueryCurrent(0xA0C0220, store_, ctx_), small, 83), kBufferTooShort);
  EXPECT_EQ(small[0], 'Z');
  (void)r;
}

TEST_F(CurrentDataTest, ShortBufferWritesNothing) {
  Load(TypicalLoop());
  char buffer[8];
  std::memset(buffer, 'Z', sizeof buffer);
  EXPECT_EQ(WriteAnswerText(QueryCurrent(0, store_, ctx_), buffer, 6), kBufferTooShort);
  EXPECT_EQ(std::string(buffer, 8), "ZZZZZZZZ");
  EXPECT_EQ(WriteAnswerText(QueryCurrent(0, store_, ctx_), nullptr, 100), kBufferTooShort);
  // A minimum-length buffer is enough for an ordinary reading.
  EXPECT_EQ(WriteAnswerText(QueryCurrent(0, store_, ctx_), buffer, 7), kOk);
  EXPECT_STREQ(buffer, "72.5");
}

TEST_F(CurrentDataTest, ForecastTextsAreCutToTheBuffer) {
  Load(TypicalLoop());  // rule 45, icon 8
  EXPECT_EQ(text(0xD0C0220), "Mostly clear");
  EXPECT_DOUBLE_EQ(number(0xC0C0220), 45);
  int r = 0;
  EXPECT_EQ(text(0xD0C0220, 7, &r), "Mostly");
  EXPECT_EQ(r, kBufferTooShort);
}

TEST_F(CurrentDataTest, SunTimesAndStorm) {
  Load(TypicalLoop());
  EXPECT_EQ(code(0x20B0000), kDashed);  // the number is always dashed
  EXPECT_EQ(text(0x20B0000), " 6:45a");
  EXPECT_EQ(text(0x30B0000), " 6:30p");
  OrbiskDateTime rec{};
  ASSERT_TRUE(SunTime(store_.sunrise, true, 31, 12, 2023, rec));
  EXPECT_EQ(rec.hour, 6);
  EXPECT_EQ(rec.minute, 45);
  EXPECT_EQ(rec.day, 31);
  // A sunrise after hour 17 is tomorrow's, across the year end and 29 February.
  ASSERT_TRUE(SunTime(1805, true, 31, 12, 2023, rec));
  EXPECT_EQ(rec.day, 1);
  EXPECT_EQ(rec.month, 1);
  EXPECT_EQ(rec.year, 2024);
  ASSERT_TRUE(SunTime(1805, true, 28, 2, 2024, rec));
  EXPECT_EQ(rec.day, 29);
  EXPECT_FALSE(SunTime(static_cast<std::int16_t>(0x8000), true, 1, 1, 2024, rec));
  const OrbiskDateTime storm = StormStart(store_);
  EXPECT_EQ(storm.day, 5 << 12);
  EXPECT_EQ(storm.month, 17 << 7);
  EXPECT_EQ(storm.year, 2026);
}

TEST_F(CurrentDataTest, DerivedValuesOfEachSensor) {
  auto p = TypicalLoop();
  p.u8(18, 160).u8(34, 60);
  Load(p);
  EXPECT_NEAR(number(1), *DewPointF(72.5, 45.0), 1e-9);
  EXPECT_NEAR(number(0x2000001), *DewPointF(70.0, 60.0), 1e-9);
  EXPECT_NEAR(number(2), *WindChillF(72.5, 10.0), 1e-9);
  EXPECT_NEAR(number(3), *HeatIndexF(72.5, 45.0), 1e-9);
  EXPECT_NEAR(number(4), *ThswIndexF(72.5, 45.0, 10.0), 1e-9);
  EXPECT_NEAR(number(0x28B), *AirDensity(72.5, 45.0, 30.0), 1e-12);
  EXPECT_NEAR(number(0x1CC), *TemperatureHumidityValue(72.5, 45.0), 1e-9);
  EXPECT_EQ(code(0x3000001), kDashed);  // extra 2 has no readings
  ctx_.units.temperature = 1;
  EXPECT_NEAR(number(1), (*DewPointF(72.5, 45.0) - 32) * 5 / 9, 1e-9);
}

}  // namespace
}  // namespace orbisk::data
