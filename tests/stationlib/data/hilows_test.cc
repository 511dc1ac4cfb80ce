#include "stationlib/data/hilows.h"

#include <gtest/gtest.h>

#include "stationlib/data/codes.h"
#include "tests/stationlib/data/packet_builder.h"

namespace orbisk::data {
namespace {

class HiLowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::PacketBuilder<kHiLowPacketSize> p;
    p.u16(0, 29500).u16(2, 30100).u16(8, 28800).u16(12, 405).u16(14, 1522);
    p.u8(16, 31).u16(17, 1347).u8(19, 44).u8(20, 60);
    p.u16(21, 745).u16(23, 680).u16(25, 1500).u16(27, 300);
    p.u8(37, 55).u8(38, 35).u16(39, 800).u16(41, 1600);
    p.u16(47, 512).u16(49, 801).u16(51, 0x8000).u16(53, 1432).u16(55, 950).u16(57, 201);
    p.u16(63, 40).u16(65, 58).u16(67, 600).u16(79, 33).u16(81, 610).u16(87, 85).u16(95, 90);
    p.u16(103, 820).u8(111, 62).u16(116, 30).u16(120, 12);
    p.u8(126 + 0, 150).u8(141 + 0, 170).u16(186, 1205).u8(216, 180);
    p.u8(276, 20).u8(284, 90).u16(308, 715).u8(284 + 3, 77);
    p.u8(356, 44).u8(368, 10).u8(392, 9);
    store_.packet = p.bytes;
    store_.day = 8;
    store_.month = 12;
    store_.year = 2026;
  }
  double number(std::uint32_t id) {
    const ValueAnswer a = QueryHiLow(id, store_, ctx_);
    EXPECT_EQ(a.code, kOk) << std::hex << id;
    return a.number;
  }
  HiLowStore store_;
  QueryContext ctx_;
};

TEST_F(HiLowTest, TellingIdentifiers) {
  EXPECT_DOUBLE_EQ(number(0x1000), 80.1);
  EXPECT_DOUBLE_EQ(number(0x1800), 51.2);
  EXPECT_DOUBLE_EQ(number(0x1001000), 74.5);
  EXPECT_DOUBLE_EQ(number(0x111C0), 90);
  EXPECT_DOUBLE_EQ(number(0x1801), 40);
  EXPECT_DOUBLE_EQ(number(0x1802), 33);
  EXPECT_DOUBLE_EQ(number(0x21080), 31);
  EXPECT_DOUBLE_EQ(number(0x61060), 0.30);
  EXPECT_DOUBLE_EQ(number(0x66060), 0.12);
  EXPECT_DOUBLE_EQ(number(0x450E0), 28.8);
}

TEST_F(HiLowTest, EveryFamilyAndPeriod) {
  EXPECT_DOUBLE_EQ(number(0x2800), 95.0);     // outside month high
  EXPECT_DOUBLE_EQ(number(0x3000), 20.1);     // outside month low
  EXPECT_DOUBLE_EQ(number(0x1001800), 68.0);  // inside day low
  EXPECT_DOUBLE_EQ(number(0x10111C0), 55);    // inside humidity day high
  EXPECT_DOUBLE_EQ(number(0x10119C0), 35);    // inside humidity day low
  EXPECT_DOUBLE_EQ(number(0x119C0), 20);      // outside humidity day low
  EXPECT_DOUBLE_EQ(number(0x40111C0), 77);    // extra humidity 3 day high
  EXPECT_DOUBLE_EQ(number(0x1003), 85);       // heat index day high
  EXPECT_DOUBLE_EQ(number(0x1005), 90);       // THSW index day high
  EXPECT_DOUBLE_EQ(number(0x71140), 820);     // solar day high
  EXPECT_DOUBLE_EQ(number(0x81180), 6.2);     // UV day high
  EXPECT_DOUBLE_EQ(number(0x2001800), 60);    // extra 1 day low (150 - 90)
  EXPECT_DOUBLE_EQ(number(0x2001000), 80);    // extra 1 day high
  EXPECT_DOUBLE_EQ(number(0x2002800), 90);    // extra 1 month high
  EXPECT_DOUBLE_EQ(number(0x90911E0), 44);    // soil moisture 1 day high
  EXPECT_DOUBLE_EQ(number(0x90919E0), 10);    // soil moisture 1 day low
  EXPECT_DOUBLE_EQ(number(0xF0A1200), 9);     // leaf wetness 1 day high
  ctx_.units.temperature = 1;
  EXPECT_NEAR(number(0x1000), (801 - 320) * 5.0 / 90.0, 1e-9);
  EXPECT_NEAR(number(0x1801), (40 - 32) * 5.0 / 9.0, 1e-9);
}

TEST_F(HiLowTest, InvalidCombinations) {
  for (std::uint32_t id :
       {0x0u, 0x1400u, 0x1802u + 0x800u /* wind chill high */, 0x1803u + 0x800u,
        0x21880u /* wind low */, 0x1001001u /* inside dew point */, 0x71940u, 0x9000u | 0x8000u})
    EXPECT_EQ(QueryHiLow(id, store_, ctx_).code, kBadIdentifier) << std::hex << id;
}

TEST_F(HiLowTest, TimesOfDailyExtremes) {
  int hhmm = 0;
  EXPECT_EQ(HiLowTime(0x1000, store_, hhmm), kOk);
  EXPECT_EQ(hhmm, 1432);
  EXPECT_EQ(HiLowTime(0x1800, store_, hhmm), kDashed);
  EXPECT_EQ(HiLowTime(0x2800, store_, hhmm), kBadIdentifier);  // month high: no time
  EXPECT_EQ(HiLowTime(0x21080, store_, hhmm), kOk);
  EXPECT_EQ(hhmm, 1347);
  EXPECT_EQ(HiLowTime(0x2001000, store_, hhmm), kOk);
  EXPECT_EQ(hhmm, 1205);
  EXPECT_EQ(HiLowTime(0x111C0, store_, hhmm), kOk);
  EXPECT_EQ(hhmm, 715);
  EXPECT_EQ(HiLowTime(0x66060, store_, hhmm), kBadIdentifier);
}

TEST_F(HiLowTest, DashedValues) {
  store_.packet[47] = 0x00;
  store_.packet[48] = 0x80;
  EXPECT_EQ(QueryHiLow(0x1800, store_, ctx_).code, kDashed);
  store_.packet[126 + 1] = 255;
  EXPECT_EQ(QueryHiLow(0x3001800, store_, ctx_).code, kDashed);
}

}  // namespace
}  // namespace orbisk::data
