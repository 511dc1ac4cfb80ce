// Highs and lows, the alarm block, calibration and the configuration
// settings against the simulator's HILOWS reply and configuration memory.
#include <cstring>
#include <vector>

#include "data_station_fixture.h"

namespace datatest {
namespace {

using Bytes = std::vector<int>;

Bytes memory(int address, int length) {
  return StationTest::control({{"cmd", "memory_read"}, {"address", address}, {"length", length}})["bytes"]
      .get<Bytes>();
}
void writeMemory(int address, const Bytes& bytes) {
  StationTest::control({{"cmd", "memory_write"}, {"address", address}, {"bytes", bytes}});
}
void setHiLow(const char* quantity, const char* slot, int value) {
  StationTest::control({{"cmd", "set_hilow"}, {"quantity", quantity}, {"slot", slot}, {"value", value}});
}

class HiLows : public StationTest {};

TEST_F(HiLows, ExtremesAndTimesFromAKnownReply) {
  setHiLow("outside_temp", "day_high", 801);
  setHiLow("outside_temp", "day_high_time", 1432);
  setHiLow("outside_temp", "day_low", 512);
  setHiLow("outside_temp", "day_low_time", 605);
  setHiLow("inside_temp", "day_high", 745);
  setHiLow("outside_hum", "day_high", 90);
  setHiLow("dew_point", "day_low", 40);
  setHiLow("wind_chill", "day_low", 33);
  setHiLow("wind_speed", "day_high", 31);
  setHiLow("wind_speed", "day_high_time", 1347);
  setHiLow("rain_rate", "day_high", 30);
  setHiLow("barometer", "year_low", 28800);
  setHiLow("extra_temp1", "month_high", 180);
  ASSERT_EQ(LoadOrbiskHiLows_O(), 0);
  EXPECT_FLOAT_EQ(GetHiLowDataByID_O(0x1000), 80.1f);
  EXPECT_FLOAT_EQ(GetHiOutsideTemp_O(), 80.1f);
  EXPECT_FLOAT_EQ(GetLowOutsideTemp_O(), 51.2f);
  EXPECT_FLOAT_EQ(GetHiInsideTemp_O(), 74.5f);
  EXPECT_FLOAT_EQ(GetHiOutsideHum_O(), 90.0f);
  EXPECT_FLOAT_EQ(GetLowDewPt_O(), 40.0f);
  EXPECT_FLOAT_EQ(GetLowWindChill_O(), 33.0f);
  EXPECT_FLOAT_EQ(GetHiWindSpeed_O(), 31.0f);
  EXPECT_FLOAT_EQ(GetHiLowDataByID_O(0x61060), 0.30f);
  EXPECT_FLOAT_EQ(GetHiLowDataByID_O(0x450E0), 28.8f);
  EXPECT_FLOAT_EQ(GetHiLowDataByID_O(0x2002800), 90.0f);
  char buffer[32] = {};
  EXPECT_EQ(static_cast<int16_t>(GetHiLowDataStrByID_O(0x1000, buffer, sizeof buffer)), 0);
  EXPECT_STREQ(buffer, "80.1");
  EXPECT_EQ(static_cast<int16_t>(GetHiLowDataStrByID_O(0x1000, buffer, 6)), -32706);
  EXPECT_EQ(static_cast<int16_t>(GetHiLowTimeStrByID_O(0x1000, buffer, sizeof buffer)), 0);
  EXPECT_STREQ(buffer, " 2:32p");
  int32_t when[5] = {};
  ASSERT_EQ(static_cast<int16_t>(GetHiLowTimeByID_O(0x1000, when)), 0);
  EXPECT_EQ(when[0], 32);
  EXPECT_EQ(when[1], 14);
  EXPECT_EQ(static_cast<int16_t>(GetHiLowTimeByID_O(0x2800, when)), -32705);  // month high: no time
  EXPECT_EQ(static_cast<int16_t>(GetHiLowTimeByID_O(0x1000, nullptr)), -32706);
  int16_t high[4] = {}, low[4] = {};
  ASSERT_EQ(static_cast<int16_t>(GetHiLowTimesOutTemp_O(high, low)), 0);
  EXPECT_EQ(high[2], 14);
  EXPECT_EQ(high[3], 32);
  EXPECT_EQ(low[2], 6);
  EXPECT_EQ(low[3], 5);
  ASSERT_EQ(static_cast<int16_t>(GetHiTimesWindSpeed_O(high)), 0);
  EXPECT_EQ(high[2], 13);
  EXPECT_EQ(GetHiLowDataByID_O(0x1400), -32705.0f);
}

TEST_F(HiLows, DashedTimeAndCorruptedReply) {
  setHiLow("outside_temp", "day_low_time", -32768);
  ASSERT_EQ(LoadOrbiskHiLows_O(), 0);
  int16_t high[4] = {7, 7, 7, 7}, low[4] = {7, 7, 7, 7};
  EXPECT_EQ(static_cast<int16_t>(GetHiLowTimesOutTemp_O(high, low)), -32768);
  EXPECT_EQ(low[0], 7);
  control({{"cmd", "fault"}, {"name", "corrupt_crc"}, {"every", 1}});
  EXPECT_EQ(LoadOrbiskHiLows_O(), -32701);
  // The getter's implicit load fails too: no data.
  EXPECT_EQ(GetHiLowDataByID_O(0x1000), -32704.0f);
}

class Alarms : public StationTest {};

TEST_F(Alarms, ThresholdsRoundTripThroughConsoleMemory) {
  Bytes block(94, 255);
  block[0] = 60;                          // barometric rise 0.060 inHg
  block[1] = 0;                           // fall: none
  block[2] = 0x76;                        // time alarm 06:30 (630 = 0x0276)
  block[3] = 0x02;
  block[4] = (~630) & 0xFF;
  block[5] = ((~630) >> 8) & 0xFF;
  block[9] = 185;                         // outside high 95 F
  block[50] = 0;                          // outside high humidity: none
  block[58] = 143;                        // low dew point 23 F
  block[63] = 20;                         // high wind 20 mph
  block[83] = 0x84, block[84] = 0x03;     // solar 900
  block[85] = 150, block[86] = 0;         // rain rate 150 clicks
  block[10] = 160;                        // extra 1 low temperature 40 F
  writeMemory(82, block);
  ASSERT_EQ(LoadOrbiskAlarms_O(), 0);
  EXPECT_FLOAT_EQ(GetBarRiseAlarm_O(), 0.06f);
  EXPECT_EQ(GetBarFallAlarm_O(), -32768.0f);
  EXPECT_EQ(GetTimeAlarm_O(), 630);
  EXPECT_STREQ(GetTimeAlarmStr_O(), " 6:30a");
  EXPECT_FLOAT_EQ(GetOutsideHiTempAlarm_O(), 95.0f);
  EXPECT_EQ(GetHiOutsideHumAlarm_O(), -32768.0f);
  EXPECT_FLOAT_EQ(GetLowDewPtAlarm_O(), 23.0f);
  EXPECT_FLOAT_EQ(GetHiWindSpeedAlarm_O(), 20.0f);
  EXPECT_FLOAT_EQ(GetHiSolarRadAlarm_O(), 900.0f);
  EXPECT_FLOAT_EQ(GetHiRainRateAlarm_O(), 1.5f);
  EXPECT_FLOAT_EQ(GetLowExtraTempAlarm_O(2), 40.0f);
  EXPECT_EQ(GetLowExtraTempAlarm_O(1), -32707.0f);
  EXPECT_EQ(GetHiLeafWetAlarm_O(3), -32707.0f);
  setUnits(1, 1, 2, 2);
  EXPECT_FLOAT_EQ(GetOutsideHiTempAlarm_O(), 35.0f);
  EXPECT_FLOAT_EQ(GetHiWindSpeedAlarm_O(), 32.0f);
  EXPECT_NEAR(GetHiWindSpeedAlarmEx_O(), 32.18688f, 1e-4);
  EXPECT_FLOAT_EQ(GetHiRainRateAlarm_O(), 38.1f);
  setUnits(0, 0, 0, 0);

  EXPECT_EQ(PutOutsideHiTempAlarm_O(200.0f), -32707);  // 290 does not fit: switched off
  EXPECT_EQ(PutInsideLowTempAlarm_O(50.0f), 0);
  EXPECT_EQ(PutHiExtraHumAlarm_O(3, 85.0f), 0);
  EXPECT_EQ(PutTimeAlarm_O(""), -32707);
  EXPECT_EQ(ClearBarRiseAlarm_O(), 0);
  EXPECT_EQ(PutRainStormAlarm_O(2.0f), 0);
  ASSERT_EQ(SetOrbiskAlarms_O(), 0);
  const Bytes written = memory(82, 94);
  EXPECT_EQ(written[9], 255);
  EXPECT_EQ(written[6], 140);
  EXPECT_EQ(written[52], 85);
  EXPECT_EQ(written[2], 0xFF);
  EXPECT_EQ(written[3], 0xFF);
  EXPECT_EQ(written[4], 0);
  EXPECT_EQ(written[0], 0);
  EXPECT_EQ(written[91], 200);
  EXPECT_EQ(written[58], 143);  // untouched thresholds are written back as they were
  // The pending copy is gone after the write.
  EXPECT_EQ(SetOrbiskAlarms_O(), -32704);
  ASSERT_EQ(LoadOrbiskAlarms_O(), 0);
  EXPECT_FLOAT_EQ(GetInsideLowTempAlarm_O(), 50.0f);
  EXPECT_EQ(GetTimeAlarm_O(), -32768);
  EXPECT_STREQ(GetTimeAlarmStr_O(), "---");
}

class Configuration : public StationTest {};

TEST_F(Configuration, PositionTimeZoneUnitsAndClock) {
  struct {
    int32_t useValue;
    float value;
    int16_t negative, degrees, minutes, seconds;
  } position{1, -45.5f, 0, 0, 0, 0}, back{};
  ASSERT_EQ(SetOrbiskLat_O(&position), 0);
  const Bytes lat = memory(11, 2);
  EXPECT_EQ(static_cast<int16_t>(lat[0] | (lat[1] << 8)), -455);
  ASSERT_EQ(GetOrbiskLat_O(&back), 0);
  EXPECT_FLOAT_EQ(back.value, -45.5f);
  EXPECT_EQ(back.negative, 1);
  EXPECT_EQ(back.degrees, 45);
  EXPECT_EQ(back.minutes, 30);
  position.value = 181.0f;
  EXPECT_EQ(SetOrbiskLon_O(&position), -32707);

  struct {
    int16_t useIndex, index;
    float offset;
    int16_t daylight, daylight2;
  } zone{1, 30, 0.0f, 1, 1}, zoneBack{};
  ASSERT_EQ(SetTimeZoneSettings_O(&zone), 0);
  ASSERT_EQ(GetTimeZoneSettings_O(&zoneBack), 0);
  EXPECT_EQ(zoneBack.index, 30);
  EXPECT_FLOAT_EQ(zoneBack.offset, 3.3f);
  zone.index = 47;
  EXPECT_EQ(SetTimeZoneSettings_O(&zone), -32707);

  setUnits(1, 1, 2, 2);
  uint8_t units[5] = {};
  ASSERT_EQ(GetUnits_O(units), 0);
  EXPECT_EQ(units[0], 1);
  EXPECT_EQ(units[1], 1);
  EXPECT_EQ(units[2], 2);  // every unit reads back as it was set
  EXPECT_EQ(units[3], 2);
  uint8_t bad[5] = {2, 0, 0, 0, 0};
  EXPECT_EQ(static_cast<int16_t>(SetUnits_O(bad)), -1);

  int32_t clock[5] = {15, 9, 24, 12, 2026};
  ASSERT_EQ(SetStationTime_O(clock), 0);
  int32_t now[5] = {};
  ASSERT_EQ(GetStationTime_O(now), 0);
  EXPECT_EQ(now[1], 9);
  EXPECT_EQ(now[2], 24);
  EXPECT_EQ(now[3], 12);
  EXPECT_EQ(now[4], 2026);

  EXPECT_EQ(SetRainCollectorModel_O(9), -32707);
  EXPECT_EQ(GetRainCollectorModel_O(), 1);
  ASSERT_EQ(SetRainCollectorModelOnStation_O(2), 0);
  EXPECT_EQ(GetRainCollectorModelOnStation_O(), 2);
  ASSERT_EQ(GetAndSetRainCollectorModelOnStation_O(), 0);
  EXPECT_EQ(GetRainCollectorModel_O(), 2);
  EXPECT_EQ(SetTempAvg_O(3), -32707);
  ASSERT_EQ(SetTempAvg_O(2), 0);
  EXPECT_EQ(GetTempAvg_O(), 2);
  EXPECT_EQ(SetOrbiskLamp_O(1), 0);
}

TEST_F(Configuration, TransmittersAndCalibration) {
  int16_t config[16] = {1, 3, 0, 0, 0, 0, 0, 12, 0, 2, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(SetOrbiskTxConfig_O(config), 0);
  int16_t back[16] = {};
  ASSERT_EQ(GetOrbiskTxConfig_O(back), 0);
  EXPECT_EQ(back[0], 1);
  EXPECT_EQ(back[1], 3);
  EXPECT_EQ(back[9], 2);  // repeater B
  EXPECT_EQ(back[7], 12);
  int16_t twoSuites[16] = {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(SetOrbiskTxConfig_O(twoSuites), -32707);

  struct {
    float inside, outside;
    uint8_t insideHum, outsideHum;
    float insideOffset, outsideOffset;
    uint8_t insideHumOffset, outsideHumOffset;
  } record{};
  ASSERT_EQ(LoadOrbiskCalibration_O(&record), 0);
  EXPECT_EQ(PutOutsideTempCalibrationOffset_O(1.5f), 0);
  EXPECT_EQ(PutOutsideTempCalibrationOffset_O(20.0f), -1);
  EXPECT_EQ(PutOutsideHumCalibrationOffsetEx_O(2, 3.0f), 0);  // transmitter 2: extra humidity 1
  EXPECT_EQ(PutOutsideHumCalibrationOffsetEx_O(1, 3.0f), -1);  // transmitter 1 carries none
  ASSERT_EQ(SetOrbiskCalibration_O(), 0);
  const Bytes offsets = memory(50, 27);
  EXPECT_EQ(offsets[2], 15);
  EXPECT_EQ(offsets[20], 3);
  EXPECT_EQ(PutWindDirCalibrationOffset_O(400), -32707);
  ASSERT_EQ(PutWindDirCalibrationOffset_O(-12), 0);
  int16_t dir = 0;
  ASSERT_EQ(GetWindDirCalibrationOffset_O(&dir), 0);
  EXPECT_EQ(dir, -12);
}

}  // namespace
}  // namespace datatest
