// The Archive service end to end: console-sim's archive ring, the real station library over
// TCP, the acquisition engine, and the SQLite store read back with SQL.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "agent/catalogue/value_catalogue.h"
#include "agent/history/archive_service.h"
#include "agent/history/history_publication.h"
#include "agent/history/local_stamps.h"
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
  // The history follows each collection: its tags, its charts in the cache directory.
  EXPECT_EQ(ReadTag(context_->state.catalogue, "Histo_NombreEnregistrements"), "12");
  EXPECT_EQ(ReadTag(context_->state.catalogue, "Histo_Dernier"), "08/12/2026 10h00");
  EXPECT_TRUE(fs::exists(context_->CacheDirectoryPath() + "/graph_temperature_24h.svg"));

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

// Hand-made rows in a store of their own, local time = UTC, the present 10/03/2027 12:00.
class HistoryOfKnownRowsTest : public ::testing::Test {
 protected:
  static constexpr std::int64_t kNow = 1804680000;  // 2027-03-10 12:00 UTC

  void SetUp() override {
    path_ = ::testing::TempDir() + "histo-" + std::to_string(::getpid()) + ".sqlite";
    fs::remove(path_);
    std::string aside, error;
    ASSERT_TRUE(store_.Open(platform::Env::Default(), path_, aside, error)) << error;
  }
  void TearDown() override {
    store_.Close();
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(path_ + suffix);
  }

  // A row at `minutes_before` now, of `interval` minutes, its other measures NULL.
  void Row(int minutes_before, std::vector<std::pair<HistoryField, double>> values,
           int interval = 5) {
    ArchiveRow row;
    row.time_utc = kNow - minutes_before * 60;
    row.local_time = StampText(platform::BreakDownUtc(row.time_utc));
    row.interval_min = interval;
    for (const auto& [field, value] : values) {
      const std::string_view column = kHistoryColumns[field];
      for (std::size_t m = 0; m < kMeasureCount; ++m)
        if (column == kMeasureColumns[m]) row.measures[m] = value;
    }
    rows_.push_back(std::move(row));
  }
  HistoryOutput Build(std::int64_t now = kNow) {
    EXPECT_EQ(store_.Append(rows_).outcome, StoreOutcome::kDone);
    rows_.clear();
    HistoryOutput output;
    std::string error;
    EXPECT_TRUE(BuildHistory(store_, {now, now}, output, error)) << error;
    return output;
  }
  static std::string Tag(const HistoryOutput& output, const std::string& name) {
    for (const auto& [tag, text] : output.tags)
      if (tag == name) return text;
    return "(absent)";
  }

  std::string path_;
  ArchiveStore store_;
  std::vector<ArchiveRow> rows_;
};

TEST_F(HistoryOfKnownRowsTest, TagsTakeEachPeriodsRecordsAndDateTheirLowsAndHighs) {
  Row(30, {{kTempOut, 10.0},
           {kTempOutHi, 10.4},
           {kTempOutLo, 9.6},
           {kHumOut, 80},
           {kPressure, 1012.3},
           {kRain, 0.2},
           {kWindAvg, 5.0},
           {kWindHi, 12.0},
           {kSolar, 300},
           {kUv, 2.4},
           {kEt, 0.05}});
  Row(5, {{kTempOut, 12.0},
          {kTempOutHi, 12.6},
          {kTempOutLo, 11.8},
          {kHumOut, 60},
          {kPressure, 1013.55},
          {kRain, 0.4},
          {kWindAvg, 7.0},
          {kWindHi, 20.9},
          {kSolar, 450},
          {kUv, 3.6},
          {kEt, 0.1}});
  // Within 24 hours, not the last hour; no low or high kept: the reading stands for both.
  Row(6 * 60, {{kTempOut, 1.5}, {kHumOut, 95}, {kRain, 1.0}});
  // Stamped 01/01/2027 00:00, the period of the year before; then the year's first.
  const int kToNewYear = (kNow - 1798761600) / 60;
  Row(kToNewYear, {{kTempOut, -8.0}, {kRain, 5.0}});
  Row(kToNewYear - 5, {{kTempOut, -5.0}, {kTempOutLo, -5.3}, {kRain, 0.0}});
  Row(-60, {{kTempOut, 30.0}});  // after the present: in no period
  const HistoryOutput output = Build();

  const std::pair<const char*, const char*> expected[] = {
      {"Histo_1h_TempExt_Min", "9.6"},
      {"Histo_1h_TempExt_Min_Date", "10/03/2027 11h30"},
      {"Histo_1h_TempExt_Max", "12.6"},
      {"Histo_1h_TempExt_Max_Date", "10/03/2027 11h55"},
      {"Histo_1h_TempExt_Moy", "11.0"},
      {"Histo_1h_HumExt_Min", "60"},
      {"Histo_1h_HumExt_Max_Date", "10/03/2027 11h30"},
      {"Histo_1h_PressionAtmo_Min", "1012.30"},
      {"Histo_1h_PressionAtmo_Max", "1013.55"},
      {"Histo_1h_VitesseVent_Moy", "6.0"},
      {"Histo_1h_RafaleVent_Max", "20.9"},
      {"Histo_1h_Pluie_Total", "0.6"},
      {"Histo_1h_RadiationSolaire_Max", "450"},
      {"Histo_1h_UVSolaire_Max", "4"},
      {"Histo_1h_EvapoTranspiration_Total", "0.15"},
      {"Histo_24h_TempExt_Min", "1.5"},
      {"Histo_24h_TempExt_Min_Date", "10/03/2027 06h00"},
      {"Histo_24h_HumExt_Max", "95"},
      {"Histo_24h_Pluie_Total", "1.6"},
      {"Histo_30j_TempExt_Min", "1.5"},
      {"Histo_Annee_TempExt_Min", "-5.3"},
      {"Histo_Annee_TempExt_Min_Date", "01/01/2027 00h05"},
      {"Histo_Annee_Pluie_Total", "1.6"},
      {"Histo_Annee_TempExt_Max", "12.6"},
      {"Histo_NombreEnregistrements", "6"},
      {"Histo_Premier", "01/01/2027 00h00"},
      {"Histo_Dernier", "10/03/2027 13h00"},
  };
  for (const auto& [name, text] : expected) EXPECT_EQ(Tag(output, name), text) << name;

  // Two hours on, the last hour holds nothing.
  const HistoryOutput later = Build(kNow + 2 * 3600);
  for (const char* name : {"Histo_1h_TempExt_Min", "Histo_1h_TempExt_Min_Date",
                           "Histo_1h_Pluie_Total", "Histo_1h_VitesseVent_Moy"})
    EXPECT_EQ(Tag(later, name), "---") << name;
  EXPECT_EQ(Tag(later, "Histo_24h_TempExt_Max"), "30.0");
}

TEST_F(HistoryOfKnownRowsTest, ChartDrawsEachValueAtItsPlaceAndLeavesGapsOpen) {
  // Hourly records: 02:00 and 03:00; 04:00 without humidity; 05:00; none from 06:00 to
  // 08:00; 09:00 to 11:00.
  const std::pair<int, double> humidity[] = {{10, 80}, {9, 80}, {7, 80}, {3, 50}, {2, 60}, {1, 70}};
  for (const auto& [hours_before, value] : humidity) Row(hours_before * 60, {{kHumOut, value}}, 60);
  Row(8 * 60, {{kTempOut, 5.0}}, 60);
  const HistoryOutput output = Build();

  const auto chart =
      std::find_if(output.charts.begin(), output.charts.end(),
                   [](const ChartFile& c) { return c.name == "graph_humidite_24h.svg"; });
  ASSERT_NE(chart, output.charts.end());
  const std::string& svg = chart->svg;
  // x: 60 + 600 x (end of the record's period in the day); y: 360 - 3 x %.
  EXPECT_NE(svg.find("points=\"410.0,120.0 435.0,120.0\""), std::string::npos) << svg;
  EXPECT_NE(svg.find("<circle cx=\"485.0\" cy=\"120.0\""), std::string::npos) << svg;
  EXPECT_NE(svg.find("points=\"585.0,210.0 610.0,180.0 635.0,150.0\""), std::string::npos) << svg;
  std::size_t lines = 0;
  for (std::size_t at = svg.find("<polyline"); at != std::string::npos;
       at = svg.find("<polyline", at + 1))
    ++lines;
  EXPECT_EQ(lines, 2u);
  for (const char* text : {"viewBox=\"0 0 720 420\"", "Humidité extérieure — 24 heures", ">12h<",
                           ">%<", "font-family=\"sans-serif\""})
    EXPECT_NE(svg.find(text), std::string::npos) << text;
  // Self-contained: no script, no link but the SVG namespace.
  for (const ChartFile& file : output.charts) {
    EXPECT_EQ(file.svg.find("<script"), std::string::npos) << file.name;
    EXPECT_EQ(file.svg.find("http"), file.svg.rfind("http")) << file.name;
    EXPECT_NE(file.svg.find("http://www.w3.org/2000/svg"), std::string::npos) << file.name;
  }
  EXPECT_EQ(output.charts.size(), 20u);
  // The dew point of the live tag: 20 °C at 50 % gives 9.26 °C.
  EXPECT_NEAR(DewPointC(20.0, 50.0), 9.26, 0.01);
}

}  // namespace
}  // namespace agent::testing
