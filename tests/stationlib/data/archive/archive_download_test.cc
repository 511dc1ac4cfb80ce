// The archive exports over TCP against console-sim: a known archive is put in
// the simulator, downloaded whole, after a date, and through the web service.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "data_station_fixture.h"

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
  static void SetUpTestSuite() {
    StationTest::SetUpTestSuite();
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
    control({{"cmd", "archive_clear"}});
    control({{"cmd", "archive_add"}, {"records", records}});
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
  const std::string base = "http://127.0.0.1:" + std::to_string(sim_->httpPort());
  ASSERT_EQ(::setenv("ORBISKPRO_WEB_BASE", base.c_str(), 1), 0);
  control({{"cmd", "web_account"}, {"user", "station"}, {"password", "secret"}});

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

  // A wrong password gets no records.
  EXPECT_EQ(DownloadWebData_O(0, 0, 0, 0, 0, "station", "wrong"), -1);
  EXPECT_EQ(GetNumberOfArchiveRecords_O(), -1);
  ::unsetenv("ORBISKPRO_WEB_BASE");
}

}  // namespace
