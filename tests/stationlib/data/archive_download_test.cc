// The archive exports over TCP against console-sim: a known archive is put in
// the simulator, downloaded whole, after a date, and through the web service.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "tests/stationlib/api/data_station_fixture.h"

namespace {

constexpr int kDec7 = 7 + 12 * 32 + 26 * 512;  // console date stamps, 2026
constexpr int kDec8 = 8 + 12 * 32 + 26 * 512;

struct Stamp {
  int day;
  int hour;
  int minute;
};

// Twelve records every five minutes from 23:30 on 7 Dec 2026 across midnight:
// more than two pages of five records.
std::vector<Stamp> Stamps() {
  std::vector<Stamp> out;
  for (int i = 0; i < 12; ++i) {
    const int minutes = 23 * 60 + 30 + 5 * i;
    out.push_back({minutes >= 24 * 60 ? 8 : 7, (minutes / 60) % 24, minutes % 60});
  }
  return out;
}

class ArchiveTest : public datatest::StationTest {
 protected:
  // Every test starts from the same twelve records and no archive fault.
  void SetUp() override {
    StationTest::SetUp();
    Control({{"cmd", "archive_faults"}});
    nlohmann::json records = nlohmann::json::array();
    int i = 0;
    for (const Stamp& s : Stamps()) {
      records.push_back({{"date", s.day == 7 ? kDec7 : kDec8},
                         {"time", s.hour * 100 + s.minute},
                         {"outside_temp", 400 + i},
                         {"outside_temp_high", 410 + i},
                         {"outside_temp_low", 390 + i},
                         {"inside_temp", 700},
                         {"outside_hum", 50 + i},
                         {"inside_hum", 40},
                         {"barometer", 29900 + i},
                         {"wind_dir", i % 16},
                         {"wind_avg", 3},
                         {"wind_high", 5}});
      ++i;
    }
    Control({{"cmd", "archive_clear"}});
    Control({{"cmd", "archive_add"}, {"records", records}});
  }

  static OrbiskArchiveRecord Record(int index) {
    OrbiskArchiveRecord r{};
    EXPECT_EQ(GetArchiveRecord_O(&r, index), 0) << "record " << index;
    return r;
  }

  // Checks the downloaded records are the simulator's records from `first` on.
  // The count starts at -1: it is the index of the last record.
  static void ExpectRecordsFrom(int first) {
    const std::vector<Stamp> stamps = Stamps();
    ASSERT_EQ(GetNumberOfArchiveRecords_O(), static_cast<int32_t>(stamps.size()) - first - 1);
    for (int i = first; i < static_cast<int>(stamps.size()); ++i) {
      SCOPED_TRACE("record " + std::to_string(i));
      const OrbiskArchiveRecord r = Record(i - first);
      EXPECT_EQ(r.year, 2026);
      EXPECT_EQ(r.month, 12);
      EXPECT_EQ(r.day, stamps[i].day);
      EXPECT_EQ(r.minutes, stamps[i].hour * 60 + stamps[i].minute);
      EXPECT_NEAR(r.outsideTemp, (400 + i) / 10.0, 0.01);
      EXPECT_NEAR(r.highOutsideTemp, (410 + i) / 10.0, 0.01);
      EXPECT_NEAR(r.lowOutsideTemp, (390 + i) / 10.0, 0.01);
      EXPECT_NEAR(r.insideTemp, 70.0, 0.01);
      EXPECT_NEAR(r.outsideHumidity, 50 + i, 0.01);
      EXPECT_NEAR(r.insideHumidity, 40, 0.01);
      EXPECT_NEAR(r.barometer, (29900 + i) / 1000.0, 0.0005);
      EXPECT_EQ(r.windDirection, i % 16);
    }
  }
};

TEST_F(ArchiveTest, FullDownloadGivesEveryRecordWithTheSimulatorsValues) {
  ASSERT_EQ(DownloadData_O(0, 0, 0, 0, 0), 11);
  ExpectRecordsFrom(0);
  OrbiskArchiveRecord r{};
  EXPECT_NE(GetArchiveRecord_O(&r, 12), 0);
  EXPECT_NE(GetArchiveRecord_O(&r, -1), 0);
  EXPECT_NE(GetArchiveRecord_O(nullptr, 0), 0);

  // The extended record of the last one, reachable like the plain one.
  OrbiskArchiveRecordEx ex{};
  ASSERT_EQ(GetArchiveRecordEx_O(&ex, 11), 0);
  EXPECT_EQ(ex.minutes, 25);
  EXPECT_NEAR(ex.outsideTemp, 41.1, 0.01);
  EXPECT_NEAR(ex.outsideHumidity, 61, 0.01);
  EXPECT_NE(GetArchiveRecordEx_O(&ex, 12), 0);
}

TEST_F(ArchiveTest, DownloadAfterADateGivesOnlyLaterRecords) {
  // After 23:40 on the 7th: from the 23:45 record on.
  ASSERT_EQ(DownloadData_O(40, 23, 7, 12, 2026), 8);
  ExpectRecordsFrom(3);
  // After the last record: nothing.
  EXPECT_EQ(DownloadData_O(25, 0, 8, 12, 2026), 0);
  EXPECT_EQ(GetNumberOfArchiveRecords_O(), -1);
}

TEST_F(ArchiveTest, HourTwentyFourIsMidnightOfTheNextDay) {
  ASSERT_EQ(DownloadData_O(0, 0, 8, 12, 2026), 4);
  ExpectRecordsFrom(7);
  ASSERT_EQ(DownloadData_O(0, 24, 7, 12, 2026), 4);
  ExpectRecordsFrom(7);
}

TEST_F(ArchiveTest, InvalidDatesAreRefusedAndKeepTheLoadedRecords) {
  ASSERT_EQ(DownloadData_O(0, 0, 0, 0, 0), 11);
  EXPECT_LT(DownloadData_O(0, 0, 1, 13, 2026), 0);
  EXPECT_LT(DownloadData_O(0, 0, 1, 0, 2026), 0);
  EXPECT_LT(DownloadData_O(0, 0, 0, 12, 2026), 0);
  EXPECT_LT(DownloadData_O(0, 0, 32, 12, 2026), 0);
  EXPECT_LT(DownloadData_O(0, 0, 31, 11, 2026), 0);
  EXPECT_LT(DownloadData_O(60, 0, 1, 12, 2026), 0);
  EXPECT_LT(DownloadData_O(0, 25, 1, 12, 2026), 0);
  EXPECT_LT(DownloadData_O(0, 0, 1, 1, 2128), 0);  // beyond the stamp's seven bits of years
  EXPECT_EQ(GetNumberOfArchiveRecords_O(), 11);
  // February is allowed thirty days; a year before 2000 asks for everything.
  EXPECT_EQ(DownloadData_O(0, 0, 30, 2, 2026), 11);
  EXPECT_EQ(DownloadData_O(0, 0, 1, 13, 1999), 11);
}

TEST_F(ArchiveTest, WebDownloadGivesTheSameRecordsAsTheSerialOne) {
  const std::string base = "http://127.0.0.1:" + std::to_string(sim->HttpPort());
  platform::SetEnvironmentVariable("ORBISKPRO_WEB_BASE", base);
  Control({{"cmd", "web_account"}, {"user", "station"}, {"password", "secret"}});

  ASSERT_EQ(DownloadData_O(0, 0, 0, 0, 0), 11);
  std::vector<OrbiskArchiveRecord> serial;
  for (int i = 0; i < 12; ++i) serial.push_back(Record(i));

  ASSERT_EQ(DownloadWebData_O(0, 0, 0, 0, 0, "station", "secret"), 11);
  ExpectRecordsFrom(0);
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    const OrbiskArchiveRecord w = Record(i);
    EXPECT_STREQ(w.dateText, serial[i].dateText);
    EXPECT_STREQ(w.timeText, serial[i].timeText);
    EXPECT_EQ(w.minutes, serial[i].minutes);
    EXPECT_EQ(w.outsideTemp, serial[i].outsideTemp);
    EXPECT_EQ(w.barometer, serial[i].barometer);
    EXPECT_EQ(w.archivePeriod, serial[i].archivePeriod);
  }

  ASSERT_EQ(DownloadWebData_O(40, 23, 7, 12, 2026, "station", "secret"), 8);
  ExpectRecordsFrom(3);

  // Account texts holding the query's own characters arrive as they are.
  Control({{"cmd", "web_account"}, {"user", "my station"}, {"password", "p&s #%+x?="}});
  EXPECT_EQ(DownloadWebData_O(0, 0, 0, 0, 0, "my station", "p&s #%+x?="), 11);
  // A wrong password gets no records.
  EXPECT_EQ(DownloadWebData_O(0, 0, 0, 0, 0, "my station", "wrong"), -1);
  EXPECT_EQ(GetNumberOfArchiveRecords_O(), -1);
  platform::SetEnvironmentVariable("ORBISKPRO_WEB_BASE", std::nullopt);
}

// The archive requests the simulator received since the last call.
int ArchiveRequests() {
  const nlohmann::json received =
      datatest::StationTest::Control({{"cmd", "received"}, {"clear", true}});
  int n = 0;
  for (const auto& line : received["lines"])
    if (line.get<std::string>().find("command \"DMPAFT\"") != std::string::npos) ++n;
  return n;
}

TEST_F(ArchiveTest, ACorruptedPageIsSkippedWhileTheOthersArrive) {
  // Page 1 holds the records 5-9: the walk goes from record 4 on to record 10.
  Control({{"cmd", "archive_faults"}, {"corrupt_pages", {1}}});
  ASSERT_EQ(DownloadData_O(0, 0, 0, 0, 0), 6);
  const std::vector<Stamp> stamps = Stamps();
  const int kept[] = {0, 1, 2, 3, 4, 10, 11};
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    const OrbiskArchiveRecord r = Record(i);
    EXPECT_EQ(r.minutes, stamps[kept[i]].hour * 60 + stamps[kept[i]].minute);
    EXPECT_NEAR(r.outsideTemp, (400 + kept[i]) / 10.0, 0.01);
  }
  OrbiskArchiveRecord r{};
  EXPECT_EQ(GetArchiveRecord_O(&r, 7), -32707);

  // A spoilt first page: the download starts with the records of page 1.
  Control({{"cmd", "archive_faults"}, {"corrupt_pages", {0}}});
  ASSERT_EQ(DownloadData_O(0, 0, 0, 0, 0), 6);
  EXPECT_EQ(Record(0).minutes, stamps[5].hour * 60 + stamps[5].minute);
  // Every page spoilt: nothing to hand out.
  Control({{"cmd", "archive_faults"}, {"corrupt_pages", {0, 1, 2}}});
  EXPECT_EQ(DownloadData_O(0, 0, 0, 0, 0), -1);
  EXPECT_EQ(GetArchiveRecord_O(&r, 0), -32707);
}

TEST_F(ArchiveTest, AConsoleRefusingTheRequestThreeTimesIsACommunicationFailure) {
  ArchiveRequests();
  Control({{"cmd", "archive_faults"}, {"refuse_requests", 3}});
  EXPECT_EQ(DownloadData_O(0, 0, 0, 0, 0), -32701);
  EXPECT_EQ(ArchiveRequests(), 3);
  EXPECT_EQ(GetNumberOfArchiveRecords_O(), -1);
  // Refused twice, the third try goes through.
  Control({{"cmd", "archive_faults"}, {"refuse_requests", 2}});
  EXPECT_EQ(DownloadData_O(0, 0, 0, 0, 0), 11);
  EXPECT_EQ(ArchiveRequests(), 3);
  // The count queries of a refusing console report 2, as for a silent one.
  Control({{"cmd", "archive_faults"}, {"refuse_requests", -1}});
  EXPECT_EQ(GetMemoryArchiveRecordCount_O(), 2);
  int32_t after[5] = {0, 0, 1, 12, 2026};
  EXPECT_EQ(GetMemoryArchiveCountAfterDate_O(after), 2);
  Control({{"cmd", "archive_faults"}});
  Control({{"cmd", "fault"}, {"name", "asleep"}, {"count", 3}});
  EXPECT_EQ(GetMemoryArchiveRecordCount_O(), 2);
}

TEST_F(ArchiveTest, MemoryCountsAskTheConsoleWithoutATransfer) {
  ASSERT_EQ(DownloadData_O(0, 0, 0, 0, 0), 11);
  ArchiveRequests();
  // Three pages of five slots, the last one partly filled.
  EXPECT_EQ(GetMemoryArchiveRecordCount_O(), 15);
  struct {
    int32_t date[5];
    int32_t pages;
  } const after_dates[] = {
      {{0, 0, 0, 0, 0}, 3},        // everything
      {{40, 23, 7, 12, 2026}, 3},  // from 23:45, record 3 of page 0
      {{55, 23, 7, 12, 2026}, 2},  // from 0:00, page 1
      {{0, 24, 7, 12, 2026}, 2},   // hour 24: midnight of the 8th
      {{15, 0, 8, 12, 2026}, 1},   // from 0:20, page 2
      {{25, 0, 8, 12, 2026}, 0},   // after the last record
  };
  for (const auto& a : after_dates) {
    int32_t date[5];
    std::copy(std::begin(a.date), std::end(a.date), date);
    EXPECT_EQ(GetMemoryArchiveCountAfterDate_O(date), a.pages)
        << date[1] << ":" << date[0] << " " << date[2];
  }
  EXPECT_EQ(ArchiveRequests(), 7);
  int32_t april31[5] = {0, 0, 31, 4, 2026};
  EXPECT_EQ(GetMemoryArchiveCountAfterDate_O(april31), -32707);
  EXPECT_EQ(GetMemoryArchiveCountAfterDate_O(nullptr), -32707);
  EXPECT_EQ(ArchiveRequests(), 0);
  // The escape ended each transfer: the console answers at once, and the
  // downloaded records are still those of the download.
  EXPECT_EQ(GetArchivePeriod_O(), 5);
  EXPECT_EQ(GetNumberOfArchiveRecords_O(), 11);
  EXPECT_EQ(Record(11).minutes, 25);
}

TEST_F(ArchiveTest, ANewArchivePeriodErasesTheArchive) {
  Control({{"cmd", "received"}, {"clear", true}});
  EXPECT_EQ(SetArchivePeriod_O(20), -1);
  EXPECT_TRUE(Control({{"cmd", "received"}, {"clear", true}})["lines"].empty());
  ASSERT_EQ(SetArchivePeriod_O(10), 0);
  EXPECT_EQ(Control({{"cmd", "archive_count"}})["count"], 0);
  EXPECT_EQ(GetArchivePeriod_O(), 10);
  EXPECT_EQ(DownloadData_O(0, 0, 0, 0, 0), 0);
  EXPECT_EQ(GetNumberOfArchiveRecords_O(), -1);
  EXPECT_EQ(GetMemoryArchiveRecordCount_O(), 0);
  ASSERT_EQ(SetArchivePeriod_O(5), 0);
}

// One record with every sensor field set, in the layout of each firmware:
// the simulator encodes it from its own table of the layout.
TEST_F(ArchiveTest, ExtendedRecordsOfBothFirmwareLayouts) {
  const nlohmann::json record = {{"date", kDec8},
                                 {"time", 1005},
                                 {"outside_temp", 725},
                                 {"outside_temp_high", 750},
                                 {"outside_temp_low", 700},
                                 {"inside_temp", 688},
                                 {"barometer", 30012},
                                 {"outside_hum", 55},
                                 {"inside_hum", 38},
                                 {"rain", 7},
                                 {"rain_rate_high", 120},
                                 {"wind_avg", 6},
                                 {"wind_high", 14},
                                 {"wind_high_dir", 3},
                                 {"wind_dir", 5},
                                 {"wind_samples", 90},
                                 {"solar", 410},
                                 {"solar_high", 520},
                                 {"uv", 34},
                                 {"uv_high", 51},
                                 {"et", 12},
                                 {"extra_temp1", 150},
                                 {"extra_temp2", 160},
                                 {"extra_temp3", 170},
                                 {"extra_hum1", 61},
                                 {"extra_hum2", 62},
                                 {"soil_temp1", 140},
                                 {"soil_temp2", 141},
                                 {"soil_temp3", 142},
                                 {"soil_temp4", 143},
                                 {"leaf_temp1", 130},
                                 {"leaf_temp2", 131},
                                 {"soil_moist1", 10},
                                 {"soil_moist2", 11},
                                 {"soil_moist3", 12},
                                 {"soil_moist4", 13},
                                 {"leaf_wet1", 4},
                                 {"leaf_wet2", 5}};
  const float kDashed = -32768.0f;
  // The console's own transmitter is 8, so that transmitter 1 is the outdoor
  // station whose anemometer paces the wind samples.
  const int own_transmitter =
      Control({{"cmd", "memory_read"}, {"address", 24}, {"length", 1}})["bytes"][0];
  Control({{"cmd", "memory_write"}, {"address", 24}, {"bytes", {8}}});
  for (const bool new_layout : {false, true}) {
    SCOPED_TRACE(new_layout ? "layout from 1 Mar 2002" : "layout before 1 Mar 2002");
    Control({{"cmd", "firmware"}, {"date", new_layout ? "Apr 10 2006" : "Jan 15 2002"}});
    ASSERT_EQ(InitStation_O(), 0);
    Control({{"cmd", "archive_clear"}});
    Control({{"cmd", "archive_add"}, {"records", {record}}});
    ASSERT_EQ(DownloadData_O(0, 0, 0, 0, 0), 0);
    OrbiskArchiveRecordEx ex{};
    // One record is not enough for the extended record (the count is 0).
    EXPECT_EQ(GetArchiveRecordEx_O(&ex, 0), -32704);
    nlohmann::json later = record;
    later["time"] = 1010;
    Control({{"cmd", "archive_clear"}});
    Control({{"cmd", "archive_add"}, {"records", {record, later}}});
    ASSERT_EQ(DownloadData_O(0, 0, 0, 0, 0), 1);
    ASSERT_EQ(GetArchiveRecordEx_O(&ex, 0), 0);
    EXPECT_EQ(ex.year, 2026);
    EXPECT_EQ(ex.month, 12);
    EXPECT_EQ(ex.day, 8);
    EXPECT_EQ(ex.minutes, 605);
    EXPECT_STREQ(ex.dateText, "12-08-26");
    EXPECT_EQ(ex.archivePeriod, 5);
    EXPECT_FLOAT_EQ(ex.outsideTemp, 72.5f);
    EXPECT_FLOAT_EQ(ex.highOutsideTemp, 75.0f);
    EXPECT_FLOAT_EQ(ex.lowOutsideTemp, 70.0f);
    EXPECT_FLOAT_EQ(ex.insideTemp, 68.8f);
    EXPECT_NEAR(ex.barometer, 30.012, 1e-4);
    EXPECT_EQ(ex.reserved, kDashed);
    EXPECT_EQ(ex.outsideHumidity, 55);
    EXPECT_EQ(ex.insideHumidity, 38);
    EXPECT_NEAR(ex.rain, 0.07, 1e-5);
    EXPECT_NEAR(ex.highRainRate, 1.20, 1e-5);
    EXPECT_EQ(ex.windSpeed, 6);
    EXPECT_EQ(ex.highWindSpeed, 14);
    EXPECT_EQ(ex.windDirection, 5);
    EXPECT_STREQ(ex.windDirectionText, "ESE");
    EXPECT_EQ(ex.highWindDirection, 3);
    EXPECT_STREQ(ex.highWindDirectionText, "ENE");
    EXPECT_EQ(ex.windSamples, 90);
    // The outdoor station is transmitter 1 (slot 0); five minutes of samples
    // by the formula of each firmware: 300 / (41 x 0.0625), or
    // 300 / (40 x 0.0625) - 300 / 50.
    EXPECT_EQ(ex.expectedWindSamples, new_layout ? 117 : 114);
    EXPECT_EQ(ex.solarRadiation, 410);
    EXPECT_EQ(ex.highSolarRadiation, new_layout ? 520 : -32768);
    EXPECT_FLOAT_EQ(ex.uv, 3.4f);
    EXPECT_EQ(ex.highUv, new_layout ? 5.1f : kDashed);
    EXPECT_NEAR(ex.et, 0.012, 1e-6);
    EXPECT_EQ(ex.extraTemp[0], 60);
    EXPECT_EQ(ex.extraTemp[1], 70);
    EXPECT_EQ(ex.extraTemp[2], new_layout ? 80 : kDashed);
    EXPECT_EQ(ex.extraHumidity[0], 61);
    EXPECT_EQ(ex.extraHumidity[1], 62);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ex.soilTemp[i], 50 + i) << i;
    EXPECT_EQ(ex.leafTemp[0], new_layout ? 40 : kDashed);
    EXPECT_EQ(ex.leafTemp[1], new_layout ? 41 : kDashed);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ex.soilMoisture[i], 10 + i) << i;
    EXPECT_EQ(ex.leafWetness[0], 4);
    EXPECT_EQ(ex.leafWetness[1], 5);
    // Derived values in F: the Magnus dew point of 72.5 F at 55 %.
    const double tc = (72.5 - 32) * 5 / 9;
    const double e = 0.55 * 6.112 * std::exp(17.62 * tc / (243.12 + tc));
    const double td = (243.12 * std::log(e) - 440.1) / (19.43 - std::log(e));
    EXPECT_NEAR(ex.dewPoint, td * 1.8 + 32, 1e-3);
    EXPECT_EQ(ex.thswIndex, kDashed);
    EXPECT_GT(ex.heatIndex, 70.0f);
    EXPECT_LT(ex.heatIndex, 75.0f);
    EXPECT_LE(ex.windChill, 72.5f);
    EXPECT_NE(ex.insideDewPoint, kDashed);
    // In metric units the readings follow, the derived values stay in F.
    SetUnits(1, 1, 2, 2);
    OrbiskArchiveRecordEx metric{};
    ASSERT_EQ(GetArchiveRecordEx_O(&metric, 0), 0);
    EXPECT_NEAR(metric.outsideTemp, 22.5, 1e-3);
    EXPECT_NEAR(metric.rain, 1.778, 1e-3);
    EXPECT_FLOAT_EQ(metric.dewPoint, ex.dewPoint);
    EXPECT_FLOAT_EQ(metric.heatIndex, ex.heatIndex);
    SetUnits(0, 0, 0, 0);
  }
  Control({{"cmd", "memory_write"}, {"address", 24}, {"bytes", {own_transmitter}}});
  Control({{"cmd", "firmware"}, {"date", "Apr 10 2006"}});
  ASSERT_EQ(InitStation_O(), 0);
}

}  // namespace
