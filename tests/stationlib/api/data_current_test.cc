// Live data by identifier against the simulator: every identifier of the
// table, its number in each unit setting and its text.
#ifndef _WIN32
#include <dlfcn.h>
#endif

#include <cmath>
#include <cstring>

#include "tests/stationlib/api/data_station_fixture.h"

namespace datatest {
namespace {

class CurrentData : public StationTest {
 protected:
  void SetUp() override {
    StationTest::SetUp();
    Set({{"outside_temp", 725},
         {"inside_temp", 700},
         {"outside_hum", 45},
         {"inside_hum", 40},
         {"barometer", 30000},
         {"bar_trend", 20},
         {"wind_speed", 10},
         {"wind_avg10", 8},
         {"wind_dir", 90},
         {"extra_temp1", 160},
         {"extra_hum1", 60},
         {"soil_temp1", 140},
         {"soil_moist1", 30},
         {"rain_rate", 12},
         {"uv", 35},
         {"solar", 640},
         {"storm_rain", 20},
         {"day_rain", 15},
         {"month_rain", 120},
         {"year_rain", 900},
         {"day_et", 123},
         {"month_et", 250},
         {"year_et", 3000},
         {"tx_battery", 2},
         {"repeater_battery", 1},
         {"console_battery", 800},
         {"forecast_icon", 8},
         {"forecast_rule", 12},
         {"sunrise", 645},
         {"sunset", 1830},
         {"wind_avg2_tenths", 127},
         {"wind_gust10", 25},
         {"rain_hour", 3},
         {"rain_24h", 40},
         {"altimeter", 29921}});
    ASSERT_EQ(LoadCurrentOrbiskData_O(), 0);
  }
};

struct Row {
  int32_t id;
  double imperial;  // F, inch, inHg, mph
  double metric;    // C, mm, hPa, km/h
  const char* imperial_text;
  const char* metric_text;
};

TEST_F(CurrentData, EveryIdentifierInBothUnitSettings) {
  const double kmh = 1.609344;
  const Row rows[] = {
      {0x0, 72.5, 22.5, "72.5", "22.5"},
      {0x1000000, 70.0, (700 - 320) * 5.0 / 90.0, "70.0", "21.1"},
      {0x2000000, 70.0, (70.0 - 32) * 5 / 9, "70.0", "21.1"},
      {0x9000000, 50.0, 10.0, "50.0", "10.0"},
      {0x101C0, 45, 45, "45", "45"},
      {0x10101C0, 40, 40, "40", "40"},
      {0x20101C0, 60, 60, "60", "60"},
      {0x20080, 10, 10 * kmh, "10.0", "16.1"},
      {0x1020080, 8, 8 * kmh, "8.0", "12.9"},
      {0x19020080, 12, 12, "12.0", "12.0"},
      {0x1A020080, 25, 25, "25.0", "25.0"},
      {0x300A0, 90, 90, "90", "90"},
      {0x300C0, 4, 4, "E", "E"},
      {0x400E0, 30.0, 30000 * 0.033864, "30.000", "1015.9"},
      {0x402A0, 20, 20, "Rising", "Rising"},
      {0x20400E0, 29921, 29921, "29921.000", "29921.0"},
      {0x52440, 0.15, 3.81, "0.15", "3.8"},
      {0x55440, 0.20, 5.08, "0.20", "5.1"},
      {0x55840, 1.20, 30.48, "1.20", "30.5"},
      {0x55C40, 9.00, 228.6, "9.00", "228.6"},
      {0x56C40, 0.03, 0.762, "0.03", "0.8"},
      {0x57040, 0.40, 10.16, "0.40", "10.2"},
      {0x60060, 0.12, 3.048, "0.12", "3.0"},
      {0x70140, 640, 640, "640", "640"},
      {0x80180, 3.5, 3.5, "3.5", "3.5"},
      {0x9090000, 30, 30, "30", "30"},
      {0x90C0220, ((800 * 300) >> 9) / 100.0, ((800 * 300) >> 9) / 100.0, "4.68", "4.68"},
      {0x244D, 0.123, 3.1242, "0.123", "3.12"},
      {0x584D, 2.623, 66.6242, "2.623", "66.62"},
      {0x5C4D, 30.123, 765.1242, "30.123", "765.12"},
      {0xC0C0220, 12, 12,
       " Increasing clouds and warmer. Precipitation possible within 24 to 48 hours ",
       " Increasing clouds and warmer. Precipitation possible within 24 to 48 hours "},
      {0xD0C0220, 8, 8, "Mostly clear", "Mostly clear"},
  };
  for (int metric = 0; metric < 2; ++metric) {
    SetUnits(metric, metric, metric ? 2 : 0, metric ? 2 : 0);
    for (const Row& row : rows) {
      const double expected = metric ? row.metric : row.imperial;
      EXPECT_NEAR(GetCurrentDataByID_O(row.id), expected, 1e-3 * std::max(1.0, std::fabs(expected)))
          << std::hex << row.id << " metric " << metric;
      int32_t result = 1;
      EXPECT_EQ(text(row.id, 128, &result), metric ? row.metric_text : row.imperial_text)
          << std::hex << row.id;
      EXPECT_EQ(result, 0) << std::hex << row.id;
    }
  }
  SetUnits(0, 0, 1, 3);
  EXPECT_NEAR(GetBarometer_O(), 762.0, 1e-3);
  EXPECT_NEAR(GetWindSpeed_O(), 4.4704, 1e-4);
  SetUnits(0, 0, 0, 1);
  EXPECT_NEAR(GetWindSpeed_O(), 10 / 1.15, 1e-4);
}

TEST_F(CurrentData, DerivedValuesAndBatteryTexts) {
  EXPECT_EQ(text(0xA0C0220),
            "TX Battery Status: 1-ok   2-LOW  3-ok   4-ok   5-ok   6-ok   7-ok   8-ok   ");
  EXPECT_EQ(text(0xB0C0220),
            "Repeater Battery Status: A-LOW  B-ok   C-ok   D-ok   E-ok   F-ok   G-ok   H-ok   ");
  // Dew point of 72.5 F at 45 %, by the Magnus formula.
  const double tc = (72.5 - 32) * 5 / 9;
  const double e = 0.45 * 6.112 * std::exp(17.62 * tc / (243.12 + tc));
  const double td = (243.12 * std::log(e) - 440.1) / (19.43 - std::log(e));
  EXPECT_NEAR(GetDewPt_O(), td * 1.8 + 32, 1e-3);
  EXPECT_NEAR(GetCurrentDataByID_O(1), td * 1.8 + 32, 1e-3);
  EXPECT_FLOAT_EQ(GetWindChill_O(), 72.5f);
  EXPECT_GT(GetHeatIndex_O(), 70.0f);
  EXPECT_LT(GetHeatIndex_O(), 75.0f);
  EXPECT_NE(GetCurrentDataByID_O(0x28B), -32768.0f);
  EXPECT_NEAR(GetCurrentDataByID_O(0x28B), 0.0735, 0.002);
  EXPECT_EQ(GetCurrentDataByID_O(0x3000001), -32768.0f);  // extra 2 is not declared
  EXPECT_EQ(GetOutsideHumidity_O(), 45);
  EXPECT_EQ(GetInsideHumidity_O(), 40);
  EXPECT_EQ(GetWindDir_O(), 90);
  EXPECT_EQ(GetSolarRad_O(), 640);
  char sector[8] = {};
  EXPECT_EQ(GetWindDirStr_O(sector), sector);
  EXPECT_STREQ(sector, "E");
}

TEST_F(CurrentData, DashedAndInvalid) {
  Set({{"outside_hum", nullptr}, {"barometer", 15999}});
  ASSERT_EQ(LoadCurrentOrbiskData_O(), 0);
  EXPECT_EQ(GetCurrentDataByID_O(0x101C0), -32768.0f);
  EXPECT_EQ(GetDewPt_O(), -32768.0f);
  int32_t r = 0;
  EXPECT_EQ(text(0x101C0, 4, &r), "---");
  EXPECT_EQ(r, -32768);
  EXPECT_EQ(text(0x400E0, 7, &r), "------");
  EXPECT_EQ(r, -32768);
  EXPECT_EQ(GetCurrentDataByID_O(5), -32705.0f);
  EXPECT_EQ(text(5, 16, &r), "---");
  EXPECT_EQ(r, -32705);
  EXPECT_EQ(text(0x20B0000, 7, &r), " 6:45a");
  EXPECT_EQ(r, -32768);  // the number of a sun time is always dashed
}

TEST_F(CurrentData, ShortBuffersReturnTooShortAndWriteNothing) {
  const struct {
    int32_t id;
    int32_t minimum;
  } texts[] = {{0, 7},          {0x101C0, 4},   {0x20080, 5},   {0x300A0, 4},   {0x300C0, 4},
               {0x400E0, 16},   {0x402A0, 16},  {0x52440, 6},   {0x60060, 6},   {0x70140, 5},
               {0x80180, 5},    {0x9090000, 4}, {0x20B0000, 7}, {0x90C0220, 5}, {0xA0C0220, 84},
               {0xB0C0220, 90}, {0x244D, 7},    {0x28B, 6},     {0x1CC, 5},     {1, 7}};
  for (const auto& t : texts) {
    char buffer[128];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(static_cast<int16_t>(GetCurrentDataStrByID_O(t.id, buffer, t.minimum - 1)), -32706)
        << std::hex << t.id;
    EXPECT_EQ(buffer[0], 'Z') << std::hex << t.id;
    // At the minimum the text fits, except that a sun time's number is always
    // dashed, and air density and the table value need room for their zero.
    const int16_t at_minimum =
        static_cast<int16_t>(GetCurrentDataStrByID_O(t.id, buffer, t.minimum));
    if (t.id == 0x20B0000) {
      EXPECT_EQ(at_minimum, -32768);
    } else if (t.id == 0x28B || t.id == 0x1CC) {
      EXPECT_EQ(at_minimum, -32706);
      EXPECT_EQ(static_cast<int16_t>(GetCurrentDataStrByID_O(t.id, buffer, t.minimum + 1)), 0);
    } else {
      EXPECT_EQ(at_minimum, 0) << std::hex << t.id;
    }
  }
  EXPECT_EQ(static_cast<int16_t>(GetCurrentDataStrByID_O(0, nullptr, 100)), -32706);
}

TEST_F(CurrentData, FailedLoadLeavesNoData) {
  Control({{"cmd", "fault"}, {"name", "corrupt_crc"}, {"every", 1}});
  EXPECT_EQ(LoadCurrentOrbiskData_O(), -32701);
  EXPECT_EQ(GetCurrentDataByID_O(0), -32704.0f);
  EXPECT_EQ(GetOutsideTemp_O(), -32704.0f);
  int32_t r = 0;
  EXPECT_EQ(text(0, 16, &r), "---");
  EXPECT_EQ(r, -32704);
  uint8_t alarms[16];
  EXPECT_EQ(GetActiveAlarms_O(alarms), -32704);
}

TEST_F(CurrentData, RecordsOfStormAndSunTimes) {
  Set({{"storm_start", (5 << 12) | (17 << 7) | 26},
       {"inside_alarms", 3},
       {"outside_alarms", 0x0102}});
  ASSERT_EQ(LoadCurrentOrbiskData_O(), 0);
  int32_t storm[5] = {};
  ASSERT_EQ(GetStartOfCurrentStorm_O(storm), 0);
  EXPECT_EQ(storm[2], 5 << 12);
  EXPECT_EQ(storm[3], 17 << 7);
  EXPECT_EQ(storm[4], 2026);
  EXPECT_EQ(GetStartOfCurrentStorm_O(nullptr), -32707);
  int32_t sunrise[5] = {};
  ASSERT_EQ(GetSunriseTime_O(sunrise), 0);
  EXPECT_EQ(sunrise[0], 45);
  EXPECT_EQ(sunrise[1], 6);
  int32_t sunset[5] = {};
  ASSERT_EQ(GetSunsetTime_O(sunset), 0);
  EXPECT_EQ(sunset[1], 18);
  uint8_t alarms[16] = {};
  ASSERT_EQ(GetActiveAlarms_O(alarms), 0);
  EXPECT_EQ(alarms[0], 3);
  EXPECT_EQ(alarms[2], 2);
  EXPECT_EQ(alarms[3], 0);  // the byte at 73 is not kept
}

}  // namespace
}  // namespace datatest

#ifndef _WIN32  // the DLL's export table is checked whole by windows_exports
namespace datatest {
namespace {

// The data families' exports the agent binds, under their decorated names.
TEST(DataSymbols, AgentBoundExportsHaveTheirDecoratedNames) {
  for (const char* name : {"_GetCurrentDataByID_O$4",
                           "_GetCurrentDataStrByID_O$12",
                           "_LoadCurrentOrbiskData_O$0",
                           "_GetOutsideTemp_O$0",
                           "_GetInsideTemp_O$0",
                           "_GetDewPt_O$0",
                           "_GetWindChill_O$0",
                           "_GetOutsideHumidity_O$0",
                           "_GetInsideHumidity_O$0",
                           "_GetWindSpeed_O$0",
                           "_GetWindDir_O$0",
                           "_GetBarometer_O$0",
                           "_GetDailyRain_O$0",
                           "_GetMonthlyRain_O$0",
                           "_GetStormRain_O$0",
                           "_GetTotalRain_O$0",
                           "_GetRainRate_O$0",
                           "_GetSunriseTime_O$4",
                           "_GetSunsetTime_O$4",
                           "_LoadOrbiskHiLows_O$0",
                           "_GetHiLowDataByID_O$4",
                           "_GetHiLowTimeByID_O$8",
                           "_LoadOrbiskAlarms_O$0",
                           "_GetTimeAlarm_O$0",
                           "_GetTimeAlarmStr_O$0",
                           "_GetBarRiseAlarm_O$0",
                           "_GetBarFallAlarm_O$0",
                           "_GetFlashFloodAlarm_O$0",
                           "_GetHi10MinWindSpeedAlarm_O$0",
                           "_GetHiDailyRainAlarm_O$0",
                           "_GetHiExtraTempAlarm_O$4",
                           "_GetLowLeafWetAlarm_O$4",
                           "_GetHiSoilMoistureAlarm_O$4",
                           "_GetHiTHSWAlarm_O$0",
                           "_GetHiUVMedAlarm_O$0",
                           "_GetHiSolarRadAlarm_O$0",
                           "_LoadOrbiskCalibration_O$4",
                           "_GetWindDirCalibrationOffset_O$4",
                           "_GetRainCollectorModelOnStation_O$0",
                           "_GetStationTime_O$4",
                           "_GetTempAvg_O$0",
                           "_GetTimeZoneSettings_O$4",
                           "_GetOrbiskLat_O$4",
                           "_GetOrbiskLon_O$4",
                           "_GetOrbiskTxConfig_O$4",
                           "_GetWindCupSize_O$0",
                           "_PutLowExtraTempAlarm_O$8",
                           "_SetOrbiskAlarms_O$0",
                           "_SetOrbiskCalibration_O$0",
                           "_PutBarometer_O$8",
                           "_SetOrbiskLamp_O$4",
                           "_ClearOrbiskCalNums_O$0",
                           "_GetHiWindSpeedAlarmEx_O$0"}) {
    EXPECT_NE(dlsym(RTLD_DEFAULT, name), nullptr) << name;
  }
  EXPECT_EQ(dlsym(RTLD_DEFAULT, "_GetCurrentDataByID_O$8"), nullptr);
}

}  // namespace
}  // namespace datatest
#endif
