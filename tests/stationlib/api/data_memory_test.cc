// Highs and lows, the alarm block, calibration and the configuration
// settings against the simulator's HILOWS reply and configuration memory.
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "tests/stationlib/api/data_station_fixture.h"

namespace datatest {
namespace {

using Bytes = std::vector<int>;

Bytes Memory(int address, int length) {
  return StationTest::Control(
             {{"cmd", "memory_read"}, {"address", address}, {"length", length}})["bytes"]
      .get<Bytes>();
}
void WriteMemory(int address, const Bytes& bytes) {
  StationTest::Control({{"cmd", "memory_write"}, {"address", address}, {"bytes", bytes}});
}
void SetHiLow(const char* quantity, const char* slot, int value) {
  StationTest::Control(
      {{"cmd", "set_hilow"}, {"quantity", quantity}, {"slot", slot}, {"value", value}});
}

class HiLows : public StationTest {};

TEST_F(HiLows, ExtremesAndTimesFromAKnownReply) {
  SetHiLow("outside_temp", "day_high", 801);
  SetHiLow("outside_temp", "day_high_time", 1432);
  SetHiLow("outside_temp", "day_low", 512);
  SetHiLow("outside_temp", "day_low_time", 605);
  SetHiLow("inside_temp", "day_high", 745);
  SetHiLow("outside_hum", "day_high", 90);
  SetHiLow("dew_point", "day_low", 40);
  SetHiLow("wind_chill", "day_low", 33);
  SetHiLow("wind_speed", "day_high", 31);
  SetHiLow("wind_speed", "day_high_time", 1347);
  SetHiLow("rain_rate", "day_high", 30);
  SetHiLow("barometer", "year_low", 28800);
  SetHiLow("extra_temp1", "month_high", 180);
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
  // Short buffers: refused, nothing written.
  std::memset(buffer, 'Z', sizeof buffer);
  EXPECT_EQ(static_cast<int16_t>(GetHiLowTimeStrByID_O(0x1000, buffer, 6)), -32706);
  EXPECT_EQ(static_cast<int16_t>(GetHiLowDataStrByID_O(0x1000, buffer, 6)), -32706);
  EXPECT_EQ(buffer[0], 'Z');
  EXPECT_EQ(static_cast<int16_t>(GetHiLowTimeStrByID_O(0x1000, nullptr, 16)), -32706);
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
  SetHiLow("outside_temp", "day_low_time", -32768);
  ASSERT_EQ(LoadOrbiskHiLows_O(), 0);
  int16_t high[4] = {7, 7, 7, 7}, low[4] = {7, 7, 7, 7};
  EXPECT_EQ(static_cast<int16_t>(GetHiLowTimesOutTemp_O(high, low)), -32768);
  EXPECT_EQ(low[0], 7);
  Control({{"cmd", "fault"}, {"name", "corrupt_crc"}, {"every", 1}});
  EXPECT_EQ(LoadOrbiskHiLows_O(), -32701);
  // The getter's implicit load fails too: no data.
  EXPECT_EQ(GetHiLowDataByID_O(0x1000), -32704.0f);
}

// Every extreme of every quantity of the HILOWS reply, and the time of every
// daily one, from one reply in which each holds its own value.
TEST_F(HiLows, EveryExtremeAndDailyTimeByIdentifier) {
  // How the raw value reads in the default units (F, inch, inHg, mph).
  enum class Raw { kTenths, kWholeF, kByteF, kPlain, kThousandths, kTenthsOfUnit, kClicks };
  struct Quantity {
    std::string name;
    uint32_t id;  // the identifier with no period
    Raw raw;
    int base;  // a raw value; each slot gets its own above it
    bool lows, highs;
    bool low_time = true, month_low = true;
  };
  std::vector<Quantity> quantities = {
      {"outside_temp", 0x0, Raw::kTenths, 500, true, true},
      {"inside_temp", 0x1000000, Raw::kTenths, 650, true, true},
      {"dew_point", 0x1, Raw::kWholeF, 40, true, true},
      {"wind_chill", 0x2, Raw::kWholeF, 20, true, false},
      {"heat_index", 0x3, Raw::kWholeF, 80, false, true},
      {"thsw", 0x5, Raw::kWholeF, 85, false, true},
      {"wind_speed", 0x20080, Raw::kPlain, 10, false, true},
      {"barometer", 0x400E0, Raw::kThousandths, 29500, true, true},
      {"solar", 0x70140, Raw::kPlain, 300, false, true},
      {"uv", 0x80180, Raw::kTenthsOfUnit, 20, false, true},
      {"rain_rate", 0x60060, Raw::kClicks, 100, false, true},
      {"outside_hum", 0x101C0, Raw::kPlain, 30, true, true},
      {"inside_hum", 0x10101C0, Raw::kPlain, 35, true, true},
  };
  for (int n = 1; n <= 7; ++n) {
    quantities.push_back({"extra_temp" + std::to_string(n), static_cast<uint32_t>(n + 1) << 24,
                          Raw::kByteF, 120 + n, true, true});
    quantities.push_back({"extra_hum" + std::to_string(n),
                          (static_cast<uint32_t>(n + 1) << 24) | 0x101C0, Raw::kPlain, 40 + n, true,
                          true});
  }
  for (int n = 1; n <= 4; ++n) {
    const uint32_t soil = static_cast<uint32_t>(8 + n) << 24;
    quantities.push_back({"soil_temp" + std::to_string(n), soil, Raw::kByteF, 140 + n, true, true});
    // In the reply's layout the four day-low times of soil moisture (8 bytes
    // from 372) overlap the month lows at 376-379: the month lows and the
    // times of sensors 3 and 4 are not checked.
    quantities.push_back({"soil_moist" + std::to_string(n), soil | 0x901E0, Raw::kPlain, 10 + n,
                          true, true, n < 3, false});
  }
  for (int n = 1; n <= 2; ++n) {
    const uint32_t leaf = static_cast<uint32_t>(14 + n) << 24;
    quantities.push_back({"leaf_temp" + std::to_string(n), leaf, Raw::kByteF, 110 + n, true, true});
    quantities.push_back(
        {"leaf_wet" + std::to_string(n), leaf | 0xA0200, Raw::kPlain, 2 + n, true, true});
  }
  struct Slot {
    const char* name;
    uint32_t period;
    bool high;
    const char* time;  // the slot of its time, for the day extremes
  };
  const Slot slots[] = {
      {"day_low", 6, false, "day_low_time"}, {"day_high", 4, true, "day_high_time"},
      {"month_low", 12, false, nullptr},     {"month_high", 10, true, nullptr},
      {"year_low", 20, false, nullptr},      {"year_high", 19, true, nullptr}};
  const auto reads = [](Raw raw, int v) -> double {
    switch (raw) {
      case Raw::kTenths:
        return v / 10.0;
      case Raw::kByteF:
        return v - 90;
      case Raw::kThousandths:
        return v / 1000.0;
      case Raw::kTenthsOfUnit:
        return v / 10.0;
      case Raw::kClicks:
        return v * 0.01;
      default:
        return v;
    }
  };
  const auto exists = [](const Quantity& q, const Slot& s) { return s.high ? q.highs : q.lows; };
  const auto checked = [&](const Quantity& q, const Slot& s) {
    return exists(q, s) && (s.period != 12 || q.month_low);
  };
  const auto timed = [](const Quantity& q, const Slot& s) {
    return s.time != nullptr && (s.high || q.low_time);
  };
  int minute = 0;
  for (const Quantity& q : quantities) {
    for (std::size_t k = 0; k < std::size(slots); ++k) {
      if (!checked(q, slots[k])) continue;
      SetHiLow(q.name.c_str(), slots[k].name, q.base + static_cast<int>(k));
      if (timed(q, slots[k]))
        SetHiLow(q.name.c_str(), slots[k].time, (slots[k].high ? 1500 : 500) + minute % 60);
    }
    ++minute;
  }
  SetHiLow("rain_rate", "hour_high", 321);
  ASSERT_EQ(LoadOrbiskHiLows_O(), 0);
  minute = 0;
  for (const Quantity& q : quantities) {
    for (std::size_t k = 0; k < std::size(slots); ++k) {
      const uint32_t id = q.id | (slots[k].period << 10);
      if (!exists(q, slots[k])) {
        EXPECT_EQ(GetHiLowDataByID_O(static_cast<int32_t>(id)), -32705.0f)
            << q.name << " " << slots[k].name;
        continue;
      }
      if (!checked(q, slots[k])) continue;
      EXPECT_NEAR(GetHiLowDataByID_O(static_cast<int32_t>(id)),
                  reads(q.raw, q.base + static_cast<int>(k)), 1e-4)
          << q.name << " " << slots[k].name;
      int32_t when[5] = {};
      const int16_t time_result =
          static_cast<int16_t>(GetHiLowTimeByID_O(static_cast<int32_t>(id), when));
      if (!slots[k].time) {
        EXPECT_EQ(time_result, -32705) << q.name << " " << slots[k].name;
        continue;
      }
      if (!timed(q, slots[k])) continue;
      EXPECT_EQ(time_result, 0) << q.name << " " << slots[k].name;
      EXPECT_EQ(when[1], slots[k].high ? 15 : 5) << q.name << " " << slots[k].name;
      EXPECT_EQ(when[0], minute % 60) << q.name << " " << slots[k].name;
    }
    ++minute;
  }
  EXPECT_NEAR(GetHiLowDataByID_O(0x66060), 3.21, 1e-4);
}

class Alarms : public StationTest {};

TEST_F(Alarms, ThresholdsRoundTripThroughConsoleMemory) {
  Bytes block(94, 255);
  block[0] = 60;    // barometric rise 0.060 inHg
  block[1] = 0;     // fall: none
  block[2] = 0x76;  // time alarm 06:30 (630 = 0x0276)
  block[3] = 0x02;
  block[4] = (~630) & 0xFF;
  block[5] = ((~630) >> 8) & 0xFF;
  block[9] = 185;                      // outside high 95 F
  block[50] = 0;                       // outside high humidity: none
  block[58] = 143;                     // low dew point 23 F
  block[63] = 20;                      // high wind 20 mph
  block[83] = 0x84, block[84] = 0x03;  // solar 900
  block[85] = 150, block[86] = 0;      // rain rate 150 clicks
  block[10] = 160;                     // extra 1 low temperature 40 F
  WriteMemory(82, block);
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
  SetUnits(1, 1, 2, 2);
  EXPECT_FLOAT_EQ(GetOutsideHiTempAlarm_O(), 35.0f);
  EXPECT_FLOAT_EQ(GetHiWindSpeedAlarm_O(), 32.0f);
  EXPECT_NEAR(GetHiWindSpeedAlarmEx_O(), 32.18688f, 1e-4);
  EXPECT_FLOAT_EQ(GetHiRainRateAlarm_O(), 38.1f);
  SetUnits(0, 0, 0, 0);

  EXPECT_EQ(PutOutsideHiTempAlarm_O(200.0f), -32707);  // 290 does not fit: switched off
  EXPECT_EQ(PutInsideLowTempAlarm_O(50.0f), 0);
  EXPECT_EQ(PutHiExtraHumAlarm_O(3, 85.0f), 0);
  EXPECT_EQ(PutTimeAlarm_O(""), -32707);
  EXPECT_EQ(ClearBarRiseAlarm_O(), 0);
  EXPECT_EQ(PutRainStormAlarm_O(2.0f), 0);
  ASSERT_EQ(SetOrbiskAlarms_O(), 0);
  const Bytes written = Memory(82, 94);
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

// Every alarm put of the interface, each with the threshold bytes it must
// leave at its offset of the alarm block (address 82), in the console's
// encodings: degrees F + 90 or + 120, %, mph, tenths, thousandths of inHg,
// rain clicks of 0.01 inch, W/m2.
struct PutRow {
  const char* name;
  int32_t (*put)(float);
  float (*get)();
  int32_t (*clear)();
  float value;
  int offset;
  int stored;  // byte, or little-endian word at a two-byte field
};

struct SensorPutRow {
  const char* name;
  int32_t (*put)(int32_t, float);
  float (*get)(int32_t);
  int32_t (*clear)(int32_t);
  int32_t sensor;
  float value;
  int offset;
  int stored;
};

const PutRow kPuts[] = {
    {"InsideLowTemp", PutInsideLowTempAlarm_O, GetInsideLowTempAlarm_O, ClearInsideLowTempAlarm_O,
     50, 6, 140},
    {"InsideHiTemp", PutInsideHiTempAlarm_O, GetInsideHiTempAlarm_O, ClearInsideHiTempAlarm_O, 85,
     7, 175},
    {"OutsideLowTemp", PutOutsideLowTempAlarm_O, GetOutsideLowTempAlarm_O,
     ClearOutsideLowTempAlarm_O, 20, 8, 110},
    {"OutsideHiTemp", PutOutsideHiTempAlarm_O, GetOutsideHiTempAlarm_O, ClearOutsideHiTempAlarm_O,
     95, 9, 185},
    {"LowInsideHum", PutLowInsideHumAlarm_O, GetLowInsideHumAlarm_O, ClearLowInsideHumAlarm_O, 30,
     40, 30},
    {"HiInsideHum", PutHiInsideHumAlarm_O, GetHiInsideHumAlarm_O, ClearHiInsideHumAlarm_O, 60, 41,
     60},
    {"LowOutsideHum", PutLowOutsideHumAlarm_O, GetLowOutsideHumAlarm_O, ClearLowOutsideHumAlarm_O,
     20, 42, 20},
    {"HiOutsideHum", PutHiOutsideHumAlarm_O, GetHiOutsideHumAlarm_O, ClearHiOutsideHumAlarm_O, 95,
     50, 95},
    {"LowDewPt", PutLowDewPtAlarm_O, GetLowDewPtAlarm_O, ClearLowDewPtAlarm_O, 25, 58, 145},
    {"HiDewPt", PutHiDewPtAlarm_O, GetHiDewPtAlarm_O, ClearHiDewPtAlarm_O, 70, 59, 190},
    {"LowWindChill", PutLowWindChillAlarm_O, GetLowWindChillAlarm_O, ClearLowWindChillAlarm_O, 10,
     60, 130},
    {"HiHeatIndex", PutHiHeatIndexAlarm_O, GetHiHeatIndexAlarm_O, ClearHiHeatIndexAlarm_O, 100, 61,
     190},
    {"HiTHSW", PutHiTHSWAlarm_O, GetHiTHSWAlarm_O, ClearHiTHSWAlarm_O, 105, 62, 195},
    {"HiWindSpeed", PutHiWindSpeedAlarm_O, GetHiWindSpeedAlarm_O, ClearHiWindSpeedAlarm_O, 30, 63,
     30},
    {"Hi10MinWindSpeed", PutHi10MinWindSpeedAlarm_O, GetHi10MinWindSpeedAlarm_O,
     ClearHi10MinWindSpeedAlarm_O, 25, 64, 25},
    {"HiUV", PutHiUVAlarm_O, GetHiUVAlarm_O, ClearHiUVAlarm_O, 8.0f, 65, 80},
    {"HiUVMed", PutHiUVMedAlarm_O, GetHiUVMedAlarm_O, ClearHiUVMedAlarm_O, 2.5f, 66, 25},
    {"BarRise", PutBarRiseAlarm_O, GetBarRiseAlarm_O, ClearBarRiseAlarm_O, 0.06f, 0, 60},
    {"BarFall", PutBarFallAlarm_O, GetBarFallAlarm_O, ClearBarFallAlarm_O, 0.09f, 1, 90},
    {"HiSolarRad", PutHiSolarRadAlarm_O, GetHiSolarRadAlarm_O, ClearHiSolarRadAlarm_O, 950, 83,
     950},
    {"RainRate", PutRainRateAlarm_O, GetHiRainRateAlarm_O, ClearRainRateAlarm_O, 1.5f, 85, 150},
    {"HiRainFlood", PutHiRainFloodAlarm_O, GetFlashFloodAlarm_O, ClearHiRainFloodAlarm_O, 0.5f, 87,
     50},
    {"RainPerDay", PutRainPerDayAlarm_O, GetHiDailyRainAlarm_O, ClearHiRainPerDayAlarm_O, 1.2f, 89,
     120},
    {"RainStorm", PutRainStormAlarm_O, GetHiRainStormAlarm_O, ClearRainStormAlarm_O, 2.0f, 91, 200},
};

// Sensor numbers: extra sensors 2-8, soil 1-4, leaf 1-2. Temperatures run
// extra 1-7, soil 1-4, leaf 1-4 from offset 10 (low) and 25 (high).
const SensorPutRow kSensorPuts[] = {
    {"LowExtraTemp", PutLowExtraTempAlarm_O, GetLowExtraTempAlarm_O, ClearLowExtraTempAlarm_O, 3,
     40, 11, 160},
    {"HiExtraTemp", PutHiExtraTempAlarm_O, GetHiExtraTempAlarm_O, ClearHiExtraTempAlarm_O, 4, 90,
     27, 210},
    {"LowExtraHum", PutLowExtraHumAlarm_O, GetLowExtraHumAlarm_O, ClearLowExtraHumAlarm_O, 2, 15,
     43, 15},
    {"HiExtraHum", PutHiExtraHumAlarm_O, GetHiExtraHumAlarm_O, ClearHiExtraHumAlarm_O, 8, 85, 57,
     85},
    {"LowSoilTemp", PutLowSoilTempAlarm_O, GetLowSoilTempAlarm_O, ClearLowSoilTempAlarm_O, 1, 35,
     17, 155},
    {"HiSoilTemp", PutHiSoilTempAlarm_O, GetHiSoilTempAlarm_O, ClearHiSoilTempAlarm_O, 2, 75, 33,
     195},
    {"LowSoilMoisture", PutLowSoilMoistureAlarm_O, GetLowSoilMoistureAlarm_O,
     ClearLowSoilMoistureAlarm_O, 3, 20, 69, 20},
    {"HiSoilMoisture", PutHiSoilMoistureAlarm_O, GetHiSoilMoistureAlarm_O,
     ClearHiSoilMoistureAlarm_O, 4, 150, 74, 150},
    {"LowLeafTemp", PutLowLeafTempAlarm_O, GetLowLeafTempAlarm_O, ClearLowLeafTempAlarm_O, 1, 33,
     21, 153},
    {"HiLeafTemp", PutHiLeafTempAlarm_O, GetHiLeafTempAlarm_O, ClearHiLeafTempAlarm_O, 2, 88, 37,
     208},
    {"LowLeafWet", PutLowLeafWetAlarm_O, GetLowLeafWetAlarm_O, ClearLowLeafWetAlarm_O, 1, 2, 75, 2},
    {"HiLeafWet", PutHiLeafWetAlarm_O, GetHiLeafWetAlarm_O, ClearHiLeafWetAlarm_O, 2, 12, 80, 12},
};

int Wide(int offset) {
  return offset >= 83 && offset <= 91;
}

int StoredAt(const Bytes& block, int offset) {
  return Wide(offset) ? block[offset] | (block[offset + 1] << 8) : block[offset];
}

// What "none" is at an offset: 0 for the barometer, 0 or 0x7FFF for solar,
// 0xFFFF or 0x7FFF for rain, 0 or 255 for the outside high humidity, else 255.
bool IsNone(const Bytes& block, int offset) {
  const int v = StoredAt(block, offset);
  if (offset <= 1) return v == 0;
  if (offset == 83) return v == 0 || v == 0x7FFF;
  if (Wide(offset)) return v == 0xFFFF || v == 0x7FFF;
  return v == 255 || (offset == 50 && v == 0);
}

class AlarmPuts : public StationTest {};

TEST_F(AlarmPuts, EveryPutAndClearLandsInConsoleMemory) {
  ASSERT_EQ(ClearOrbiskAlarms_O(), 0);
  ASSERT_EQ(LoadOrbiskAlarms_O(), 0);
  for (const PutRow& r : kPuts) EXPECT_EQ(r.put(r.value), 0) << r.name;
  for (const SensorPutRow& r : kSensorPuts) EXPECT_EQ(r.put(r.sensor, r.value), 0) << r.name;
  EXPECT_EQ(PutTimeAlarm_O("7.45"), 0);
  ASSERT_EQ(SetOrbiskAlarms_O(), 0);
  Bytes block = Memory(82, 94);
  for (const PutRow& r : kPuts) EXPECT_EQ(StoredAt(block, r.offset), r.stored) << r.name;
  for (const SensorPutRow& r : kSensorPuts)
    EXPECT_EQ(StoredAt(block, r.offset), r.stored) << r.name;
  EXPECT_EQ(block[2] | (block[3] << 8), 745);
  EXPECT_EQ(block[4] | (block[5] << 8), (~745) & 0xFFFF);
  // Read back by the getters, from the block as the console now holds it.
  ASSERT_EQ(LoadOrbiskAlarms_O(), 0);
  for (const PutRow& r : kPuts) EXPECT_NEAR(r.get(), r.value, 1e-4) << r.name;
  for (const SensorPutRow& r : kSensorPuts) EXPECT_NEAR(r.get(r.sensor), r.value, 1e-4) << r.name;
  EXPECT_EQ(GetTimeAlarm_O(), 745);
  EXPECT_STREQ(GetTimeAlarmStr_O(), " 7:45a");

  // Out of range: switched off and refused.
  ASSERT_EQ(LoadOrbiskAlarms_O(), 0);
  EXPECT_EQ(PutHiSoilMoistureAlarm_O(4, 300.0f), -32707);
  EXPECT_EQ(PutLowDewPtAlarm_O(-130.0f), -32707);
  EXPECT_EQ(PutHiLeafWetAlarm_O(3, 5.0f), -32707);  // no leaf sensor 3
  ASSERT_EQ(SetOrbiskAlarms_O(), 0);
  block = Memory(82, 94);
  EXPECT_TRUE(IsNone(block, 74));
  EXPECT_TRUE(IsNone(block, 58));

  // Every clear of the interface switches its threshold off.
  ASSERT_EQ(LoadOrbiskAlarms_O(), 0);
  for (const PutRow& r : kPuts) EXPECT_EQ(r.clear(), 0) << r.name;
  for (const SensorPutRow& r : kSensorPuts) EXPECT_EQ(r.clear(r.sensor), 0) << r.name;
  EXPECT_EQ(ClearTimeAlarm_O(), 0);
  ASSERT_EQ(SetOrbiskAlarms_O(), 0);
  block = Memory(82, 94);
  for (const PutRow& r : kPuts) EXPECT_TRUE(IsNone(block, r.offset)) << r.name;
  for (const SensorPutRow& r : kSensorPuts) EXPECT_TRUE(IsNone(block, r.offset)) << r.name;
  EXPECT_EQ(block[2] | (block[3] << 8), 0xFFFF);
  EXPECT_EQ(block[4] | (block[5] << 8), 0);
}

TEST_F(AlarmPuts, MetricValuesAreConvertedBack) {
  ASSERT_EQ(LoadOrbiskAlarms_O(), 0);
  SetUnits(1, 1, 2, 2);                          // C, mm, hPa, km/h
  EXPECT_EQ(PutOutsideHiTempAlarm_O(35.0f), 0);  // 95 F
  EXPECT_EQ(PutLowSoilTempAlarm_O(1, 1.7f), 0);  // 35.06 F, the nearest whole degree
  EXPECT_EQ(PutRainRateAlarm_O(38.1f), 0);       // 1.5 inch
  EXPECT_EQ(PutHiWindSpeedAlarm_O(48.28f), 0);   // 30 mph
  EXPECT_EQ(PutBarRiseAlarm_O(2.03f), 0);        // 0.060 inHg
  ASSERT_EQ(SetOrbiskAlarms_O(), 0);
  const Bytes block = Memory(82, 94);
  EXPECT_EQ(block[9], 185);
  EXPECT_EQ(block[17], 155);
  EXPECT_EQ(block[85] | (block[86] << 8), 150);
  EXPECT_EQ(block[63], 30);
  EXPECT_EQ(block[0], 60);
}

// The record LoadOrbiskCalibration_O fills.
struct CalibrationRecord {
  float inside, outside;
  uint8_t inside_hum, outside_hum;
  float inside_offset, outside_offset;
  uint8_t inside_hum_offset, outside_hum_offset;
};

class CalibrationPuts : public StationTest {};

// The console's readings move with its offsets (memory 50); each put gives
// the offset byte the Part describes: offsets in tenths of F or whole %, a
// value put turning into the offset that shows that value.
TEST_F(CalibrationPuts, OffsetAndValuePutsOfEverySensor) {
  ASSERT_EQ(ClearOrbiskCalNums_O(), 0);
  Set({{"inside_temp", 700},
       {"outside_temp", 600},
       {"inside_hum", 40},
       {"outside_hum", 50},
       {"extra_temp1", 150},
       {"extra_hum1", 60},
       {"soil_temp1", 140}});
  CalibrationRecord record{};
  ASSERT_EQ(LoadOrbiskCalibration_O(&record), 0);
  EXPECT_FLOAT_EQ(record.inside, 70.0f);
  EXPECT_EQ(record.outside_hum, 50);
  EXPECT_EQ(PutInsideTempCalibrationOffset_O(1.5f), 0);   // reading 71.5
  EXPECT_EQ(PutInsideTempCalibrationValue_O(72.0f), 0);   // offset 72.0 - 70.0
  EXPECT_EQ(PutOutsideTempCalibrationValue_O(59.0f), 0);  // -1.0
  EXPECT_EQ(PutInsideHumCalibrationOffset_O(3), 0);       // reading 43
  EXPECT_EQ(PutInsideHumCalibrationValue_O(45), 0);       // offset 5
  EXPECT_EQ(PutOutsideHumCalibrationOffset_O(-2), 0);
  EXPECT_EQ(PutOutsideHumCalibrationValue_O(55), 0);  // offset 5
  // Transmitter 2 carries extra temperature 1 and extra humidity 1,
  // transmitter 3 soil temperature 1 (the eighth temperature slot).
  EXPECT_EQ(PutOutsideTempCalibrationOffsetEx_O(2, 0.5f), 0);
  EXPECT_EQ(PutOutsideTempCalibrationValueEx_O(3, 52.0f), 0);  // soil 1 reads 50 F
  EXPECT_EQ(PutOutsideHumCalibrationValueEx_O(2, 65), 0);      // extra humidity 1 reads 60
  // Out of reach: the offset byte, the humidity scale, a transmitter without the sensor.
  EXPECT_EQ(PutInsideTempCalibrationValue_O(90.0f), -1);
  EXPECT_EQ(PutOutsideHumCalibrationValue_O(101), -1);
  EXPECT_EQ(PutOutsideTempCalibrationValueEx_O(5, 50.0f), -1);
  ASSERT_EQ(SetOrbiskCalibration_O(), 0);
  const Bytes offsets = Memory(50, 27);
  EXPECT_EQ(static_cast<int8_t>(offsets[0]), 20);
  EXPECT_EQ(static_cast<int8_t>(offsets[2]), -10);
  EXPECT_EQ(static_cast<int8_t>(offsets[3]), 5);
  EXPECT_EQ(static_cast<int8_t>(offsets[10]), 20);
  EXPECT_EQ(static_cast<int8_t>(offsets[18]), 5);
  EXPECT_EQ(static_cast<int8_t>(offsets[19]), 5);
  EXPECT_EQ(static_cast<int8_t>(offsets[20]), 5);
  // The console now shows the values asked for.
  ASSERT_EQ(LoadOrbiskCalibration_O(&record), 0);
  EXPECT_FLOAT_EQ(record.inside, 72.0f);
  EXPECT_FLOAT_EQ(record.outside, 59.0f);
  EXPECT_EQ(record.inside_hum, 45);
  EXPECT_EQ(record.outside_hum, 55);
  EXPECT_FLOAT_EQ(record.inside_offset, 2.0f);
  EXPECT_FLOAT_EQ(record.outside_offset, -1.0f);
  ASSERT_EQ(ClearOrbiskCalNums_O(), 0);
}

class Configuration : public StationTest {};

TEST_F(Configuration, PositionTimeZoneUnitsAndClock) {
  struct {
    int32_t use_value;
    float value;
    int16_t negative, degrees, minutes, seconds;
  } position{1, -45.5f, 0, 0, 0, 0}, back{};
  ASSERT_EQ(SetOrbiskLat_O(&position), 0);
  const Bytes lat = Memory(11, 2);
  EXPECT_EQ(static_cast<int16_t>(lat[0] | (lat[1] << 8)), -455);
  ASSERT_EQ(GetOrbiskLat_O(&back), 0);
  EXPECT_FLOAT_EQ(back.value, -45.5f);
  EXPECT_EQ(back.negative, 1);
  EXPECT_EQ(back.degrees, 45);
  EXPECT_EQ(back.minutes, 30);
  position.value = 181.0f;
  EXPECT_EQ(SetOrbiskLon_O(&position), -32707);

  struct {
    int16_t use_index, index;
    float offset;
    int16_t daylight, daylight2;
  } zone{1, 30, 0.0f, 1, 1}, zone_back{};
  ASSERT_EQ(SetTimeZoneSettings_O(&zone), 0);
  ASSERT_EQ(GetTimeZoneSettings_O(&zone_back), 0);
  EXPECT_EQ(zone_back.index, 30);
  EXPECT_FLOAT_EQ(zone_back.offset, 3.3f);
  zone.index = 47;
  EXPECT_EQ(SetTimeZoneSettings_O(&zone), -32707);

  SetUnits(1, 1, 2, 2);
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
  int16_t two_suites[16] = {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(SetOrbiskTxConfig_O(two_suites), -32707);

  CalibrationRecord record{};
  ASSERT_EQ(LoadOrbiskCalibration_O(&record), 0);
  EXPECT_EQ(PutOutsideTempCalibrationOffset_O(1.5f), 0);
  EXPECT_EQ(PutOutsideTempCalibrationOffset_O(20.0f), -1);
  EXPECT_EQ(PutOutsideHumCalibrationOffsetEx_O(2, 3.0f), 0);   // transmitter 2: extra humidity 1
  EXPECT_EQ(PutOutsideHumCalibrationOffsetEx_O(1, 3.0f), -1);  // transmitter 1 carries none
  ASSERT_EQ(SetOrbiskCalibration_O(), 0);
  const Bytes offsets = Memory(50, 27);
  EXPECT_EQ(offsets[2], 15);
  EXPECT_EQ(offsets[20], 3);
  EXPECT_EQ(PutWindDirCalibrationOffset_O(400), -32707);
  ASSERT_EQ(PutWindDirCalibrationOffset_O(-12), 0);
  int16_t dir = 0;
  ASSERT_EQ(GetWindDirCalibrationOffset_O(&dir), 0);
  EXPECT_EQ(dir, -12);
}

TEST_F(Configuration, TotalRainAndWindCup) {
  ASSERT_EQ(PutTotalRain_O(1234), 0);
  ASSERT_EQ(LoadCurrentOrbiskData_O(), 0);
  EXPECT_FLOAT_EQ(GetTotalRain_O(), 12.34f);
  // Firmware 3.00 keeps the cup size elsewhere: the setup bits stay.
  const int setup = Memory(43, 1)[0];
  EXPECT_EQ(SetWindCupSize_O(1), 0);
  EXPECT_EQ(Memory(43, 1)[0], setup);
  EXPECT_EQ(GetWindCupSize_O(), 2);
  Control({{"cmd", "firmware"}, {"version", "1.50"}});
  EXPECT_EQ(SetWindCupSize_O(3), -32707);
  ASSERT_EQ(SetWindCupSize_O(1), 0);
  EXPECT_EQ(Memory(43, 1)[0], setup | 0x08);
  EXPECT_EQ(GetWindCupSize_O(), 1);
  ASSERT_EQ(SetWindCupSize_O(2), 0);
  EXPECT_EQ(Memory(43, 1)[0], setup & ~0x08);
  EXPECT_EQ(GetWindCupSize_O(), 2);
  Control({{"cmd", "firmware"}, {"version", "3.00"}});
}

}  // namespace
}  // namespace datatest
