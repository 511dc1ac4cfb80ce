// The alarm thresholds and readings set in the console simulator, read back
// through the real station library over TCP on 127.0.0.1: one alert item per
// row of the alarm table, the 76 alarm tags, and the watch beside the
// acquisition engine and the service scheduler.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "agent/acquisition/acquisition_engine.h"
#include "agent/acquisition/open_station_library.h"
#include "agent/acquisition/service_scheduler.h"
#include "agent/acquisition/station_calls.h"
#include "agent/catalogue/initial_tags.h"
#include "agent/catalogue/value_catalogue.h"
#include "agent/families/alarm_service.h"
#include "agent/families/alarm_tags.h"
#include "agent/families/alarm_thresholds.h"
#include "agent/families/alarm_watch.h"
#include "agent/families/current_data.h"
#include "agent/families/tag_family_services.h"
#include "tests/agent/core/agent_fixture.h"
#include "tools/console-sim/launcher.h"

namespace agent {
namespace {

using nlohmann::json;

constexpr int kAlarmBlock = 82;
constexpr int kAlarmBlockSize = 94;
constexpr const char* kStamp = "06/12/2026 21:46";

// The alarm block with every alarm switched off ("none" of each field).
std::vector<int> NoAlarms() {
  std::vector<int> block(kAlarmBlockSize, 0xFF);
  block[0] = block[1] = 0;  // barometer rise and fall
  block[4] = block[5] = 0;  // time complement
  block[83] = 0xFF;         // solar radiation 0x7FFF
  block[84] = 0x7F;
  return block;
}

void Put(std::vector<int>& block, int offset, int width, int value) {
  block[offset] = value & 0xFF;
  if (width == 2) block[offset + 1] = (value >> 8) & 0xFF;
}

class SimulatedConsole {
 public:
  SimulatedConsole() : sim({"--no-pty", "--start", "2026-12-08 10:00:00"}) {
    sim.Control({{"cmd", "freeze"}, {"on", true}});
  }
  void WriteAlarms(const std::vector<int>& block) {
    sim.Control({{"cmd", "memory_write"}, {"address", kAlarmBlock}, {"bytes", block}});
  }
  // Fixes these readings (raw console units); the others follow the weather.
  void SetReadings(const json& readings) {
    sim.Control({{"cmd", "release"}});
    if (!readings.empty()) sim.Control({{"cmd", "set"}, {"readings", readings}});
  }
  std::string Address() const { return "127.0.0.1@" + std::to_string(sim.TcpPort()); }

  consolesim::Launcher sim;
};

// One console and one link for the whole program: the library has one link.
class AlarmStationTest : public AgentFixture {
 protected:
  static void SetUpTestSuite() {
    console = std::make_unique<SimulatedConsole>();
    library = std::make_unique<StationLibrary>([](const std::string&) {});
    ASSERT_EQ(OpenStationLibrary(*library, {STATION_LIBRARY_DIR, ""}, {}), 1);
    ASSERT_EQ(OpenTCPIPPort(*library, std::to_string(console->sim.TcpPort()), "127.0.0.1"), 1);
    ASSERT_EQ(library->CallStationWord(Export::kInitStation), 1);
  }
  static void TearDownTestSuite() {
    library->CallStationWord(Export::kCloseTCPIPPort);
    library.reset();
    console.reset();
  }
  void SetUp() override {
    AgentFixture::SetUp();
    console->sim.Control({{"cmd", "fault"}, {"name", "none"}});
    families_.configuration.rain_collector = 1;  // 0.01 in, as the library's own setting
    InitialiseTags(*context_, {});
    watch_ = std::make_unique<AlarmWatch>(*context_, families_, thresholds_);
  }

  void Collect() {
    ASSERT_EQ(AcquireCurrentData(*context_, *library, families_), 1);
    ASSERT_EQ(AcquireAlarmThresholds(*library, families_, thresholds_), 1);
  }
  std::string AlertsAfterOnePass() {
    context_->state.pass_collection_count.Clear();
    context_->state.pass_collection_count.Increment();
    context_->state.pass_collection_count.Increment();
    watch_->RunPass();
    return ReadTag(context_->state.catalogue, "Alertes");
  }
  std::vector<std::string> AlarmTagNames() {
    std::vector<std::string> names;
    ForEachTag(context_->state.catalogue, [&names](const std::string& name, const std::string&) {
      if (name.rfind("Alarmes_", 0) == 0) names.push_back(name);
    });
    return names;
  }

  static inline std::unique_ptr<SimulatedConsole> console;
  static inline std::unique_ptr<StationLibrary> library;
  FamilySlots families_;
  AlarmThresholds thresholds_;
  std::unique_ptr<AlarmWatch> watch_;
};

// One threshold in the alarm block and the readings it is checked against.
struct Row {
  std::string name;
  int offset;
  int width;
  int threshold;
  json readings;
  std::string item;  // what follows the stamp and "|"; empty: no item
};

// The rows of the alarm table in table order, in two groups whose readings
// agree where rows share one, so that a group is read in one collection.
std::vector<std::vector<Row>> TableRowGroups() {
  // 40 °F is 4.4 °C: below 41 °F (5 °C) and 50 °F, above 30 °F. Without wind
  // the wind chill is the temperature; at 100 % the dew point too.
  const json cold = {{"outside_temp", 400},
                     {"outside_hum", 100},
                     {"wind_speed", 0},
                     {"wind_avg10", 0},
                     {"wind_avg10_tenths", 0}};
  std::vector<Row> first = {
      // A pressure never equals a rise or fall threshold (at most 0.254 inHg).
      {"BarRise", 0, 1, 60, {{"barometer", 29921}}, ""},
      {"BarFall", 1, 1, 60, {{"barometer", 29921}}, ""},
      // 64.9 °F is 18.28 °C: below 65 °F (18.33 °C), above 60 °F.
      {"InsideLowTemp",
       6,
       1,
       65 + 90,
       {{"inside_temp", 649}},
       "Température intérieur en baisse > 18 °c"},
      {"InsideHiTemp",
       7,
       1,
       60 + 90,
       {{"inside_temp", 649}},
       "Température intérieur en hausse > 18 °c"},
      {"OutsideLowTemp", 8, 1, 41 + 90, cold, "Température extérieur en baisse > 4 °c"},
      {"outsideHiTemp", 9, 1, 30 + 90, cold, "Température extérieur en hausse > 4 °c"},
      {"LowInsideHum", 40, 1, 40, {{"inside_hum", 35}}, "Humidité intérieur en baisse > 35 %"},
      {"HiInsideHum", 41, 1, 30, {{"inside_hum", 35}}, "Humidité intérieur en hausse > 35 %"},
      {"HiOutsideHum", 50, 1, 80, cold, "Humidité extérieur en hausse > 100 %"},
      {"LowWindChill", 60, 1, 50 + 120, cold, "Température ressentis en baisse > 4 °c"},
      {"LowDewPt", 58, 1, 50 + 120, cold, "Point de rosé en baisse > 4 °c"},
      {"HiDewPt", 59, 1, 30 + 120, cold, "Point de rosé en hausse > 4 °c"},
      {"HiSolarRad", 83, 2, 500, {{"solar", 600}}, "Rayonnement solaire en hausse > 600 W/m²"},
      // The library has no THSW reading: it answers with its invalid-identifier code.
      {"HiTHSW", 62, 1, 0, json::object(), ""},
      // 10 clicks of 0.01 in are 2.54 mm; the thresholds are 5 clicks.
      {"HiRainRate",
       85,
       2,
       5,
       {{"rain_rate", 10}},
       "Vitesse de précipitation de la pluie en hausse > 2.5 mm"},
      {"HiDailyRain",
       89,
       2,
       5,
       {{"day_rain", 10}},
       "Quantité de pluie par jour en hausse > 2.5 mm"},
      {"HiRainStorm",
       91,
       2,
       5,
       {{"storm_rain", 10}},
       "Quantité de pluie pour la saison des pluies en hausse > 2.5 mm"},
      {"FlashFlood", 87, 2, 0, json::object(), "risque d'inondation > 0.0 mm"},
      {"HiUV", 65, 1, 50, {{"uv", 60}}, "Index UV en hause > 6"},
      {"HiUVMed", 66, 1, 10, {{"uv", 60}}, ""},
  };
  auto numbered = [&first](const std::string& name, int count, int offset, int threshold,
                           const std::string& field, int reading, const std::string& item) {
    for (int n = 0; n < count; ++n)
      first.push_back({name + "[" + std::to_string(n) + "]",
                       offset + n,
                       1,
                       threshold,
                       {{field + std::to_string(n + 1), reading}},
                       item});
  };
  // Byte temperatures: thresholds °F + 120 (60 °F and 40 °F), readings °F + 90 (50 °F, 10 °C).
  numbered("LowExtraTemp", 7, 10, 180, "extra_temp", 140,
           "Température extérieur en baisse > 10 °c");
  numbered("HiExtraTemp", 7, 25, 160, "extra_temp", 140, "Température extérieur en hausse > 10 °c");
  numbered("LowExtraHum", 7, 43, 40, "extra_hum", 35, "Humidité extérieur en baisse > 35 %");
  numbered("HiExtraHum", 7, 51, 30, "extra_hum", 35, "Humidité extérieur en hausse > 35 %");
  numbered("LowSoilTemp", 4, 17, 180, "soil_temp", 140, "Température du sol en baisse > 10 °c");
  numbered("HiSoilTemp", 4, 32, 160, "soil_temp", 140, "Température du sol en hausse > 10 °c");
  numbered("LowSoilMoisture", 4, 67, 50, "soil_moist", 40, "Humidité du sol en baisse > 40 %");
  numbered("HiSoilMoisture", 4, 71, 30, "soil_moist", 40, "Humidité du sol en hausse > 40 %");
  numbered("LowLeafTemp", 2, 21, 180, "leaf_temp", 140,
           "Température du feuillage en baisse > 10 °c");
  numbered("HiLeafTemp", 2, 36, 160, "leaf_temp", 140,
           "Température du feuillage en hausse > 10 °c");
  numbered("LowLeafWet", 2, 75, 10, "leaf_wet", 5, "Humidité du feuillage en baisse > 5 %");

  // 80 °F at 0 % feels like 75.6 °F (24.2 °C); 20 mph is 32.19 km/h.
  const json warm = {{"outside_temp", 800},
                     {"outside_hum", 0},
                     {"wind_speed", 20},
                     {"wind_avg10", 20},
                     {"wind_avg10_tenths", 200}};
  std::vector<Row> second = {
      {"LowOutsideHum", 42, 1, 40, warm, "Humidité extérieur en baisse > 0 %"},
      {"HiWindSpeed", 63, 1, 15, warm, "Vitesse du vent en hausse > 32 Km/h"},
      {"Hi10MinWindSpeed", 64, 1, 15, warm,
       "Vitesse moyenne du vent sur 10 minutes en hause > 32 Km/h"},
      {"HiHeatIndex", 61, 1, 70 + 90, warm, "Chaleur ressentis en hausse > 24 °c"},
  };
  return {first, second};
}

// Writes the rows' thresholds (every other alarm off) and fixes their readings.
void SetUpRows(SimulatedConsole& console, const std::vector<Row>& rows) {
  std::vector<int> block = NoAlarms();
  json readings = json::object();
  for (const Row& row : rows) {
    Put(block, row.offset, row.width, row.threshold);
    for (const auto& [field, value] : row.readings.items()) {
      ASSERT_TRUE(!readings.contains(field) || readings[field] == value)
          << row.name << " " << field;
      readings[field] = value;
    }
  }
  console.WriteAlarms(block);
  console.SetReadings(readings);
}

TEST_F(AlarmStationTest, EachRowOfTheAlarmTableMakesItsOneItem) {
  std::size_t rows = 0;
  for (const std::vector<Row>& group : TableRowGroups()) {
    rows += group.size();
    SetUpRows(*console, group);
    Collect();
    // One item per row that raises, each in its place, and nothing else.
    std::string expected;
    for (const Row& row : group)
      if (!row.item.empty()) expected += std::string(kStamp) + "|" + row.item;
    EXPECT_EQ(AlertsAfterOnePass(), expected);
  }
  EXPECT_EQ(rows, 74u);
}

TEST_F(AlarmStationTest, ReadingsThatDoNotPassTheirTestOrHaveNoValueMakeNoItem) {
  SetUpRows(*console,
            {
                {"InsideLowTemp at the threshold", 6, 1, 65 + 90, {{"inside_temp", 650}}, ""},
                {"FlashFlood at one click", 87, 2, 1, json::object(), ""},
                {"OutsideLowTemp dashed", 8, 1, 41 + 90, {{"outside_temp", nullptr}}, ""},
                {"LowExtraTemp[1] dashed", 11, 1, 180, {{"extra_temp2", nullptr}}, ""},
                {"LowSoilMoisture[0] dashed", 67, 1, 50, {{"soil_moist1", nullptr}}, ""},
            });
  Collect();
  EXPECT_EQ(AlertsAfterOnePass(), "");
}

TEST_F(AlarmStationTest, EverySetThresholdIsPublishedAsItsTag) {
  console->WriteAlarms(NoAlarms());
  Collect();
  PublishAlarmTags(*context_, thresholds_);
  EXPECT_TRUE(AlarmTagNames().empty());

  std::vector<int> block(kAlarmBlockSize, 100);
  Put(block, 0, 1, 60);
  Put(block, 1, 1, 60);
  Put(block, 2, 2, 730);
  Put(block, 4, 2, ~730 & 0xFFFF);
  Put(block, 6, 1, 41 + 90);
  Put(block, 83, 2, 500);
  for (int offset : {85, 87, 89, 91}) Put(block, offset, 2, 5);
  block[93] = 0xFF;
  console->WriteAlarms(block);
  Collect();
  PublishAlarmTags(*context_, thresholds_);

  const std::vector<std::string> names = AlarmTagNames();
  EXPECT_EQ(names.size(), 76u);
  const ValueCatalogue& catalogue = context_->state.catalogue;
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_InsideLowTemp"), "Température intérieur en baisse -> 5 °c");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_BarRise"), "Hausse du baromètre -> 2.0 Hpa / mb");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_Time"), "Date -> 730");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_TimeStr"), "Date texte ->  7:30a");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_HiRainRate"),
            "Vitesse de précipitation de la pluie en hausse -> 1.3 mm/hr");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_FlashFlood"), "risque d'inondation -> 1.3 mm");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_HiSolarRad"), "Rayonnement solaire en hausse -> 500 W/m²");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_HiUV"), "Index UV en hause -> 10");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_HiUVMed"), "Quantité d'UV en hausse -> 10.0 Med");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_HiWindSpeed"), "Vitesse du vent en hausse -> 161 Km/h");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_HiExtraTemp_7"),
            "Température extérieur en hausse -> -29 °c");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_LowSoilTemp_1"), "Température du sol en baisse -> -29 °c");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_LowLeafWet_2"), "Humidité du feuillage en baisse -> 100 %");

  // Switched off: the tag keeps its earlier text, while the others follow.
  Put(block, 6, 1, 0xFF);
  Put(block, 7, 1, 70 + 90);
  console->WriteAlarms(block);
  Collect();
  PublishAlarmTags(*context_, thresholds_);
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_InsideLowTemp"), "Température intérieur en baisse -> 5 °c");
  EXPECT_EQ(ReadTag(catalogue, "Alarmes_InsideHiTemp"), "Température intérieur en hausse -> 21 °c");
}

TEST_F(AlarmStationTest, AnAlarmBlockThatCannotBeReadChangesNothing) {
  std::vector<int> block = NoAlarms();
  Put(block, 6, 1, 41 + 90);
  console->WriteAlarms(block);
  Collect();
  const AlarmThresholds before = thresholds_;

  Put(block, 6, 1, 50 + 90);
  console->WriteAlarms(block);
  console->sim.Control({{"cmd", "fault"}, {"name", "refuse"}});
  EXPECT_EQ(AcquireAlarmThresholds(*library, families_, thresholds_), 0);
  console->sim.Control({{"cmd", "fault"}, {"name", "none"}});
  EXPECT_EQ(thresholds_.values, before.values);
}

// The engine collects both services in one pass; the scheduler publishes the
// tags; the watch builds the list. Each suite has its own console.
class AlarmEngineTest : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    console_ = std::make_unique<SimulatedConsole>();
    std::vector<int> block = NoAlarms();
    Put(block, 87, 2, 0);  // flash flood at 0.0: always active
    console_->WriteAlarms(block);
    Configure("[CONSOLE]\ntype=IP\nadresse=" + console_->Address() +
              "\nConnectionTimeout=5\n[GENERAL]\nRefreshServices=1\n"
              "[SERVICES]\nCurrentData=0\nAlarm=0\n");
    InitialiseTags(*context_, {});
    services_.Declare(kServiceList, [this](std::string_view name) {
      return context_->HasSetting("SERVICES", name);
    });
    InstallTagFamilies(*context_, services_, families_, {});
    InstallAlarmService(*context_, services_, families_, thresholds_);
    AcquisitionHooks hooks;
    hooks.library_places = {STATION_LIBRARY_DIR, ""};
    engine_ =
        std::make_unique<AcquisitionEngine>(*context_, library_, services_, station_time_, hooks);
    watch_ = std::make_unique<AlarmWatch>(*context_, families_, thresholds_);
  }
  void TearDown() override {
    if (context_->state.connected.IsSet()) engine_->Connector().CloseLink(kLinkTcpIp);
    watch_.reset();
    engine_.reset();
    console_.reset();
    AgentFixture::TearDown();
  }
  std::string Tag(const std::string& name) {
    std::lock_guard<platform::EnvMutex> hold(context_->state.catalogue_lock);
    return ReadTag(context_->state.catalogue, name);
  }

  std::unique_ptr<SimulatedConsole> console_;
  StationLibrary library_{[](const std::string&) {}};
  ServiceTable services_;
  StationTimeSlot station_time_;
  FamilySlots families_;
  AlarmThresholds thresholds_;
  std::unique_ptr<AcquisitionEngine> engine_;
  std::unique_ptr<AlarmWatch> watch_;
};

TEST_F(AlarmEngineTest, APassThatCollectsBothServicesFeedsTheWatchAndTheTags) {
  engine_->RunPass();
  ASSERT_EQ(context_->state.pass_collection_count.Get(), 2);
  EXPECT_TRUE(watch_->RunPass());
  EXPECT_EQ(Tag("Alertes"), std::string(kStamp) + "|risque d'inondation > 0.0 mm");
  ServiceScheduler(*context_, services_, station_time_).RunPass();
  EXPECT_EQ(Tag("Alarmes_FlashFlood"), "risque d'inondation -> 0.0 mm");
}

TEST_F(AlarmEngineTest, TheWatchRunsBesideTheEngineAndTheScheduler) {
  // Each fake sleep lets real time pass, so that no loop spins on the cores.
  clock_.SetSleepHook(
      [](std::int64_t) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
  ServiceScheduler scheduler(*context_, services_, station_time_);
  std::vector<std::thread> threads;
  threads.emplace_back([this] { engine_->Run(); });
  threads.emplace_back([&scheduler] { scheduler.Run(); });
  threads.emplace_back([this] { watch_->Run(); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline &&
         (Tag("Alertes").find("risque d'inondation > 0.0 mm") == std::string::npos ||
          Tag("Alarmes_FlashFlood").empty() || watch_->ImageState() != AlertImageState::kAlert))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  context_->RequestStop();
  for (std::thread& thread : threads) thread.join();
  EXPECT_NE(Tag("Alertes").find("|risque d'inondation > 0.0 mm"), std::string::npos);
  EXPECT_EQ(Tag("Alarmes_FlashFlood"), "risque d'inondation -> 0.0 mm");
  EXPECT_EQ(watch_->ImageState(), AlertImageState::kAlert);
}

}  // namespace
}  // namespace agent
