// The Archive service end to end: console-sim's archive ring, the real station library over
// TCP, the acquisition engine, and the SQLite store read back with SQL.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "agent/history/archive_service.h"
#include "tests/agent/end_to_end/station_chain.h"

namespace agent::testing {
namespace {

namespace fs = std::filesystem;

// A console stamp: date = day + month x 32 + (year - 2000) x 512, time = hour x 100 + minute.
nlohmann::json Record(int year, int month, int day, int hour, int minute, int n) {
  return {{"date", day + month * 32 + (year - 2000) * 512},
          {"time", hour * 100 + minute},
          {"outside_temp", 720 + n},
          {"outside_temp_high", 730},
          {"outside_temp_low", 710},
          {"inside_temp", 680},
          {"outside_hum", 50},
          {"inside_hum", 40},
          {"barometer", 29921},
          {"rain", 3},
          {"rain_rate_high", 10},
          {"wind_avg", 10},
          {"wind_high", 20},
          {"wind_dir", 4},
          {"wind_high_dir", 8},
          {"solar", 500},
          {"uv", 25},
          {"et", 10},
          {"extra_temp1", 150},
          {"soil_moist1", 20}};
}

// `count` records every five minutes from `hour`:`minute` of one day (local stamps).
nlohmann::json Records(int year, int month, int day, int hour, int minute, int count, int n = 0) {
  nlohmann::json records = nlohmann::json::array();
  for (int i = 0; i < count; ++i) {
    const int at = hour * 60 + minute + 5 * i;
    records.push_back(Record(year, month, day, at / 60, at % 60, n + i));
  }
  return records;
}

// The stamp of a record of Records as the store writes it.
std::string Stamp(const nlohmann::json& record) {
  const int date = record["date"], time = record["time"];
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", 2000 + date / 512, date / 32 % 16,
                date % 32, time / 100, time % 100);
  return text;
}

class ArchiveHistoryTest : public StationChainTest {
 protected:
  void SetUp() override {
    StationChainTest::SetUp();
    zone_ = std::getenv("TZ") ? std::getenv("TZ") : "";
    SetZone("UTC");
    sim_->Control({{"cmd", "archive_clear"}});
  }
  void TearDown() override {
    store_.Close();
    if (db_ != nullptr) sqlite3_close(db_);
    SetZone(zone_);
    StationChainTest::TearDown();
  }

  static void SetZone(const std::string& zone) {
    ::setenv("TZ", zone.c_str(), 1);
    ::tzset();
  }

  void StartArchive() {
    Start("[SERVICES]\nArchive=300\n");
    InstallArchiveService(*context_, services_, store_);
  }
  void Add(const nlohmann::json& records) {
    sim_->Control({{"cmd", "archive_add"}, {"records", records}});
  }
  // The next collection of the service, its interval later.
  void CollectLater() {
    clock_.AdvanceMs(300'000);
    Collect();
  }

  std::string Database() { return ArchiveDatabasePath(*context_); }
  // The first column of every row of `sql`, as text ("NULL" for a null).
  std::vector<std::string> Column(const std::string& sql) {
    if (db_ == nullptr) sqlite3_open_v2(Database().c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
    std::vector<std::string> out;
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      const auto* text = sqlite3_column_text(statement, 0);
      out.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
    }
    sqlite3_finalize(statement);
    return out;
  }
  std::string Value(const std::string& sql) {
    const std::vector<std::string> rows = Column(sql);
    return rows.empty() ? "" : rows.front();
  }
  int Count() { return std::stoi(Value("SELECT count(*) FROM archive")); }

  ArchiveStore store_;
  sqlite3* db_ = nullptr;
  std::string zone_;
};

TEST_F(ArchiveHistoryTest, FirstDownloadStoresEveryRecordConvertedThenOnlyNewOnes) {
  WriteMemory(43, {0x10});  // a rain collector of 0.2 mm
  nlohmann::json records = Records(2026, 12, 8, 9, 5, 12);
  records[1].erase("outside_temp");  // dashed by the console
  Add(records);
  StartArchive();
  Collect();

  ASSERT_EQ(Count(), 12) << Journal();
  EXPECT_NE(Journal().find("[MoteurRecupDonnees] : Archive : 12 enregistrement(s) ajouté(s), le "
                           "dernier du 08/12/2026 10h00."),
            std::string::npos)
      << Journal();
  // 72.0 °F, 73, 71, 68; 29.921 inHg; 3 clicks of 0.2 mm, 10 clicks an hour; 10 and 20 mph;
  // points 4 and 8; 0.010 in of ET; extra temperature byte 150 (60 °F).
  EXPECT_EQ(Value("SELECT time_utc || ' ' || local_time || ' ' || interval_min || ' ' || "
                  "temp_out_c || ' ' || temp_out_hi_c || ' ' || temp_out_lo_c || ' ' || "
                  "temp_in_c || ' ' || hum_out || ' ' || hum_in || ' ' || pressure_hpa || ' ' || "
                  "rain_mm || ' ' || rain_rate_hi_mm_h || ' ' || wind_avg_kmh || ' ' || "
                  "wind_hi_kmh || ' ' || wind_dir_deg || ' ' || wind_hi_dir_deg || ' ' || "
                  "solar_wm2 || ' ' || uv || ' ' || et_mm || ' ' || extra_temp_1_c || ' ' || "
                  "soil_moist_1 FROM archive ORDER BY time_utc LIMIT 1"),
            std::to_string(1796720700) +
                " 2026-12-08 09:05 5 22.22 22.78 21.67 20.0 50.0 40.0 1013.27 0.6 2.0 16.1 "
                "32.2 90.0 180.0 500.0 2.5 0.25 15.56 20.0");
  // What the console had no value for is NULL, never a code.
  EXPECT_EQ(Column("SELECT local_time FROM archive WHERE temp_out_c IS NULL"),
            std::vector<std::string>{"2026-12-08 09:10"});
  EXPECT_EQ(Value("SELECT count(*) FROM archive WHERE leaf_wet_1 IS NOT NULL OR "
                  "soil_temp_4_c IS NOT NULL OR temp_out_hi_c < -100"),
            "0");

  // The store reopened, three new records: only they are added.
  store_.Close();
  Add(Records(2026, 12, 8, 10, 5, 3, 12));
  CollectLater();
  EXPECT_EQ(Count(), 15);
  EXPECT_NE(Journal().find("Archive : 3 enregistrement(s) ajouté(s), le dernier du 08/12/2026 "
                           "10h15."),
            std::string::npos);
  CollectLater();
  EXPECT_EQ(Count(), 15);
  EXPECT_NE(Journal().find("Archive : aucun nouvel enregistrement."), std::string::npos);
}

TEST_F(ArchiveHistoryTest, CutDownloadKeepsWhatArrivedAndTheReconnectionResumes) {
  Add(Records(2026, 12, 7, 18, 0, 60));  // twelve pages
  StartArchive();
  // The console drops the link after about three pages of the dump.
  sim_->Control({{"cmd", "fault"}, {"name", "drop"}, {"after", 1000}});
  Collect();
  const int kept = Count();
  EXPECT_GT(kept, 0) << Journal();
  EXPECT_LT(kept, 60) << Journal();

  sim_->Control({{"cmd", "fault"}, {"name", "none"}});
  // The next collection finds the link gone; the one after the reconnection resumes.
  for (int pass = 0; pass < 3 && Count() < 60; ++pass) CollectLater();
  EXPECT_EQ(Count(), 60) << Journal();
  EXPECT_EQ(Value("SELECT count(DISTINCT local_time) FROM archive"), "60");
  EXPECT_EQ(Value("SELECT max(time_utc) - min(time_utc) FROM archive"), std::to_string(59 * 300));
}

// The console stamps local time and follows the host's clock changes: an hour skipped in
// March, an hour seen twice in October, whose second pass the library does not hand out.
TEST_F(ArchiveHistoryTest, ClockChangesLoseNothingAndKeepTheConsolesOrder) {
  SetZone("Europe/Paris");
  nlohmann::json spring = Records(2027, 3, 28, 1, 30, 6);  // 01:30 to 01:55 CET
  for (const nlohmann::json& r : Records(2027, 3, 28, 3, 0, 6, 6)) spring.push_back(r);  // CEST
  Add(spring);
  StartArchive();
  Collect();
  ASSERT_EQ(Count(), 12) << Journal();
  // Five minutes apart across the change: 00:30 UTC to 01:25 UTC.
  EXPECT_EQ(Value("SELECT count(*) FROM archive a JOIN archive b ON b.time_utc = a.time_utc + "
                  "300"),
            "11");
  EXPECT_EQ(Value("SELECT time_utc FROM archive WHERE local_time = '2027-03-28 03:00'"),
            std::to_string(1806195600));  // 01:00 UTC
  EXPECT_EQ(Journal().find("lacune"), std::string::npos) << Journal();

  // October: 01:30 to 02:55 summer time, collected; then the repeated hour and what follows.
  sim_->Control({{"cmd", "archive_clear"}});
  Add(Records(2027, 10, 31, 1, 30, 18));
  CollectLater();
  Add(Records(2027, 10, 31, 2, 0, 19, 18));  // 02:00 to 03:30 winter time
  CollectLater();
  EXPECT_EQ(Value("SELECT time_utc FROM archive WHERE local_time = '2027-10-31 02:30'"),
            std::to_string(1824942600));  // 00:30 UTC: the first pass
  EXPECT_EQ(Value("SELECT time_utc FROM archive WHERE local_time = '2027-10-31 03:00'"),
            std::to_string(1824948000));  // 02:00 UTC
  // Each record once, and in time order the console's order: the first pass, then from 03:00.
  std::vector<std::string> order;
  for (const nlohmann::json& r : Records(2027, 10, 31, 1, 30, 18)) order.push_back(Stamp(r));
  for (const nlohmann::json& r : Records(2027, 10, 31, 3, 0, 7)) order.push_back(Stamp(r));
  EXPECT_EQ(Column("SELECT local_time FROM archive WHERE local_time LIKE '2027-10-31%' ORDER BY "
                   "time_utc"),
            order);
  EXPECT_NE(Journal().find("Archive : lacune, aucun enregistrement de la console entre le "
                           "31/10/2027 02h55 et le 31/10/2027 03h00."),
            std::string::npos)
      << Journal();
}

TEST_F(ArchiveHistoryTest, AStoreNotOursIsSetAsideAndAFullDiskIsRetried) {
  std::ofstream(Database()) << std::string(4096, 'x');
  Add(Records(2026, 12, 8, 8, 0, 200));
  StartArchive();

  // Room for the empty table only.
  std::string aside;
  std::string error;
  ASSERT_TRUE(store_.Open(clock_, Database(), aside, error)) << error;
  ASSERT_FALSE(aside.empty());
  EXPECT_EQ(fs::file_size(aside), 4096u);
  store_.LimitPages(3);
  Collect();
  EXPECT_EQ(Count(), 0);
  EXPECT_NE(Journal().find("Archive : disque plein, 200 enregistrement(s) non écrit(s) dans " +
                           Database() + " ; nouvel essai à la prochaine collecte."),
            std::string::npos)
      << Journal();

  store_.LimitPages(1 << 30);
  CollectLater();
  EXPECT_EQ(Count(), 200) << Journal();
}

TEST_F(ArchiveHistoryTest, ADamagedStoreIsRenamedAsideWithAJournalLine) {
  Add(Records(2026, 12, 8, 8, 0, 5));
  StartArchive();
  Collect();
  ASSERT_EQ(Count(), 5);
  store_.Close();
  sqlite3_close(db_);
  db_ = nullptr;
  {
    // Another program's database under the same name.
    sqlite3* other = nullptr;
    fs::remove(Database());
    sqlite3_open(Database().c_str(), &other);
    sqlite3_exec(other, "CREATE TABLE archive (t TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(other);
  }
  CollectLater();
  EXPECT_NE(Journal().find("Archive : la base " + Database() +
                           " n'est pas une base d'historique valide ; renommée en " + Database() +
                           ".ecarte-"),
            std::string::npos)
      << Journal();
  EXPECT_EQ(Count(), 5);
}

}  // namespace
}  // namespace agent::testing
