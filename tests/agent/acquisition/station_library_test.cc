#include "agent/acquisition/station_library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "agent/acquisition/export_table.h"
#include "agent/acquisition/open_station_library.h"
#include "agent/acquisition/station_calls.h"
#include "platform/dynlib.h"

namespace agent {
namespace {

namespace fs = std::filesystem;

class DynlibSource : public ExportSource {
 public:
  explicit DynlibSource(platform::DynamicLibrary library) : library(std::move(library)) {}
  void* FindExport(std::string_view name) override { return library.FindExport(name); }
  platform::DynamicLibrary library;
};

class StationLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::DynamicLibrary loaded;
    ASSERT_TRUE(loaded.Load(FAKE_STATION_LIBRARY)) << loaded.Error();
    last_call_ = reinterpret_cast<LastCall>(loaded.FindSymbol("FakeStationLastCall"));
    ASSERT_NE(last_call_, nullptr);
    library_.Attach(std::make_unique<DynlibSource>(std::move(loaded)));
  }

  using LastCall = std::int32_t (*)(char*, char*, std::int32_t*);
  std::vector<std::string> journal_;
  StationLibrary library_{[this](const std::string& line) { journal_.push_back(line); }};
  LastCall last_call_ = nullptr;
};

TEST_F(StationLibraryTest, StatusSuccessBecomesOneAndOnlyTheLowHalfCounts) {
  EXPECT_EQ(library_.CallStationWord(Export::kInitStation), 1);
  EXPECT_EQ(library_.CallStationWord(Export::kLoadCurrentOrbiskData), 1);
  EXPECT_EQ(library_.CallStationWord(Export::kCloseCommPort), -32701);
}

TEST_F(StationLibraryTest, ReadingsKeepARealZero) {
  EXPECT_EQ(library_.CallStationWord(Export::kGetWindDir), 0);
  EXPECT_EQ(library_.CallStationWord(Export::kGetModelNo), 0);
  EXPECT_EQ(library_.CallStationWord(Export::kIsNewLoopPackageSupported), 0);
  EXPECT_EQ(library_.CallStationWord(Export::kGetHiInsideHumAlarm), 0);
}

TEST_F(StationLibraryTest, FloatsLongsAndSensorArguments) {
  EXPECT_FLOAT_EQ(library_.CallStationFloat(Export::kGetOutsideTemp), 21.5f);
  EXPECT_EQ(library_.CallStationLong(Export::kGetUSBDevSerialNumber), 1234567);
  EXPECT_FLOAT_EQ(library_.CallStationFloat(Export::kGetHiExtraTempAlarm, {3}), 13.0f);
  EXPECT_FLOAT_EQ(GetCurrentDataByID(library_, 7, 2), 12.75f);
  // Kind 1 goes through the 16-bit dispatcher.
  EXPECT_FLOAT_EQ(GetCurrentDataByID(library_, 7, 1), 12.0f);
  EXPECT_FLOAT_EQ(GetCurrentDataByID(library_, 8, 2), -32705.0f);
}

TEST_F(StationLibraryTest, TrailingAbsentMarkersAreNotPassed) {
  EXPECT_FLOAT_EQ(library_.CallStationFloat(Export::kGetHiExtraTempAlarm,
                                            {2, kArgumentAbsentMarker, kArgumentAbsentMarker}),
                  12.0f);
  // Too few or too many arguments for the prototype are refused, not called.
  EXPECT_EQ(library_.CallStationWord(Export::kOpenCommPort, {3}), kInvalidArgument);
  EXPECT_FLOAT_EQ(library_.CallStationFloat(Export::kGetOutsideTemp, {1}),
                  static_cast<float>(kInvalidArgument));
}

TEST_F(StationLibraryTest, TextBuffersAreBoundedAndFailuresGiveTheirCode) {
  EXPECT_EQ(GetCurrentDataStrByID(library_, 1, 6), "12.3xx");
  EXPECT_EQ(GetCurrentDataStrByID(library_, 2, 6), "-32702");
  EXPECT_EQ(GetStationFirmwareVersion(library_), "1.90");
  EXPECT_EQ(GetTimeAlarmStr(library_), "06:30");
  EXPECT_EQ(library_.CallStationByte(Export::kGetTimeAlarmStr), '0');
}

TEST_F(StationLibraryTest, RecordsAndLinkArgumentsReachTheExport) {
  OrbiskDateTime time{};
  EXPECT_EQ(GetStationTime(library_, time), 1);
  EXPECT_EQ(time.minute, 46);
  EXPECT_EQ(time.hour, 21);
  EXPECT_EQ(time.year, 2026);

  char port[64] = {}, host[64] = {};
  std::int32_t numbers[2] = {};
  EXPECT_EQ(OpenTCPIPPort(library_, "22222", "127.0.0.1"), 1);
  EXPECT_EQ(OpenCommPort(library_, 3, 9600), 1);
  last_call_(port, host, numbers);
  EXPECT_STREQ(port, "22222");
  EXPECT_STREQ(host, "127.0.0.1");
  EXPECT_EQ(numbers[0], 3);
  EXPECT_EQ(numbers[1], 9600);
}

TEST_F(StationLibraryTest, AMissingExportFailsAndIsJournalledOnce) {
  const std::string line =
      "[MoteurRecupDonnees] : Fonction absente de la librairie OrbiskPro.dll : _GetBarometer_O@0";
  std::size_t at_open = std::count(journal_.begin(), journal_.end(), line);
  EXPECT_EQ(at_open, 1u);
  EXPECT_FLOAT_EQ(library_.CallStationFloat(Export::kGetBarometer), -32701.0f);
  EXPECT_EQ(library_.CallStationWord(Export::kOpenUSBPort, {5}), -32701);
  EXPECT_FLOAT_EQ(library_.CallStationFloat(Export::kGetBarometer), -32701.0f);
  EXPECT_EQ(std::count(journal_.begin(), journal_.end(), line), 1);
}

TEST(StationLibraryAbsent, EveryExportGivesItsAbsentResult) {
  StationLibrary library{nullptr};
  EXPECT_FALSE(library.IsOpen());
  for (std::size_t i = 0; i < BoundExports().size(); ++i) {
    const Export bound = static_cast<Export>(i);
    const ExportRow& row = BoundExports()[i];
    switch (row.dispatcher) {
      case Dispatcher::kWord:
        EXPECT_EQ(library.CallStationWord(bound), -32701) << row.decorated_name;
        break;
      case Dispatcher::kLong:
        EXPECT_EQ(library.CallStationLong(bound), -32701) << row.decorated_name;
        break;
      case Dispatcher::kFloat:
        EXPECT_FLOAT_EQ(library.CallStationFloat(bound), -32701.0f);
        break;
      case Dispatcher::kByte:
        EXPECT_EQ(library.CallStationByte(bound), 0) << row.decorated_name;
        break;
      case Dispatcher::kText:
        EXPECT_EQ(library.CallStationText(bound, {}, 7), "-32701");
        break;
    }
  }
  EXPECT_EQ(GetCurrentDataStrByID(library, 1, 8), "-32701");
  EXPECT_FLOAT_EQ(GetCurrentDataByID(library, 1, 1), -32701.0f);
}

TEST(OpenStationLibrary, DeploysThenSearchesTheWorkingDirectoryFirst) {
  fs::path work = fs::temp_directory_path() / ("acq-open-" + std::to_string(::getpid()));
  fs::create_directories(work);
  int deployed = 0;
  auto deploy = [&] {
    ++deployed;
    fs::copy_file(REAL_STATION_LIBRARY, work / kStationLibraryFile,
                  fs::copy_options::overwrite_existing);
  };
  StationLibrary library{nullptr};
  EXPECT_EQ(OpenStationLibrary(library, {work.string(), ""}, deploy), 1);
  EXPECT_EQ(deployed, 1);
  // The library's own answer without a console (an absent one gives "").
  EXPECT_EQ(GetTimeAlarmStr(library), "---");
  // Open once for the life of the process: no second deployment.
  EXPECT_EQ(OpenStationLibrary(library, {work.string(), ""}, deploy), 1);
  EXPECT_EQ(deployed, 1);
  fs::remove_all(work);
}

TEST(OpenStationLibrary, NoLibraryAnywhereGivesZero) {
  fs::path work = fs::temp_directory_path() / ("acq-none-" + std::to_string(::getpid()));
  fs::create_directories(work);
  StationLibrary library{nullptr};
  EXPECT_EQ(OpenStationLibrary(library, {work.string(), work.string()}, nullptr), 0);
  EXPECT_FALSE(library.IsOpen());
  fs::remove_all(work);
}

#ifdef REAL_STATION_LIBRARY
TEST(RealStationLibrary, ExportsEveryBoundName) {
  if (!fs::exists(REAL_STATION_LIBRARY)) GTEST_SKIP() << "station library not built";
  platform::DynamicLibrary loaded;
  ASSERT_TRUE(loaded.Load(REAL_STATION_LIBRARY)) << loaded.Error();
  std::string missing;
  for (const ExportRow& row : BoundExports()) {
    if (loaded.FindExport(row.decorated_name) == nullptr)
      missing += std::string(row.decorated_name) + " ";
  }
  EXPECT_EQ(missing, "");
}
#endif

}  // namespace
}  // namespace agent
