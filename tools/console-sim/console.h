#pragma once
// The console model: configuration memory, firmware identity, clock, weather,
// the day/month/year extremes kept from the readings, and the archive ring.
// Not thread-safe: the simulator serialises every access (see Simulator).
#include <array>
#include <climits>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tools/console-sim/console_clock.h"
#include "tools/console-sim/layout.h"
#include "tools/console-sim/weather.h"

namespace consolesim {

struct Firmware {
  std::string date = "Jan 12 2006";  // the VER text: "Mmm dd yyyy"
  std::string version = "1.90";      // the NVER text: four characters
  int model = 16;                    // the WRD answer
};

struct ConsoleOptions {
  std::uint32_t seed = 1;
  Firmware firmware;
  int archive_period = 5;  // minutes
  // Days of weather generated before the start, so the archive ring, the extremes and the
  // live readings begin as one continuous history.
  int history_days = 0;
};

// Stamps as the console writes them in archive records and dump requests.
int DateStamp(const CivilTime& c);
int TimeStamp(const CivilTime& c);

class Console {
 public:
  static constexpr int kUnset = INT_MIN;         // an extreme not reached yet
  static constexpr int kArchiveCapacity = 2560;  // records

  Console(const ConsoleClock& clock, ConsoleOptions options);

  // Brings the weather, the extremes and the archive up to the clock.
  void Update();
  std::int64_t Now() const;
  std::int64_t NowMs() const;  // the console clock in milliseconds
  // Sets the console clock. With `replay` the weather, extremes and archive
  // are generated for the stretch skipped forwards (up to two days);
  // without it (a client setting the clock) the console simply jumps.
  void SetTime(std::int64_t console_time, bool replay = false);

  // Replies, CRC included where the console sends one.
  std::string LoopPacket() const;
  std::string LpsPacket() const;
  std::string hi_lows() const;
  std::string TimeReply() const;
  std::string CalibratedReadings() const;  // the CALED block, CRC included
  // CALFIX: the readings a client wants shown (the CALED block without its
  // CRC); the calibration offsets at memory 50 move so that they are.
  void ApplyCalibration(const std::string& block);
  std::optional<std::string> MemoryRead(int address, int length) const;  // data + CRC
  bool MemoryWrite(int address, const std::string& bytes);
  const std::string& memory() const { return memory_; }

  // Archive: DMPAFT positions a transfer, pages are then read one by one.
  struct DumpHeader {
    int pages = 0;
    int first_index = 0;
    std::int64_t first_page = 0;  // running page number of the transfer's first page
  };
  DumpHeader StartDump(int date, int time) const;
  // Page `page` of a transfer (0 = its first page), 267 bytes.
  std::string DumpPage(const DumpHeader& dump, int page) const;
  // Archive faults a test switches on: pages of every transfer sent with a
  // spoilt checksum, and DMPAFT requests answered 0x15 (count as in Faults).
  struct ArchiveFaults {
    std::set<int> corrupt_pages;  // page numbers within a transfer
    int refused_requests = 0;
  };
  ArchiveFaults& archive_faults() { return archive_faults_; }
  std::vector<std::string> RecordsAfter(int date, int time) const;
  std::size_t ArchiveSize() const { return archive_.size(); }
  void ClearArchive();
  void AddArchiveRecord(const Readings& fields);  // by archive field names
  std::string EncodeRecord(const Readings& fields) const;

  // Clears of the console (CLRHIGHS n, CLRLOWS n with n = 0 day, 1 month, 2 year).
  void ClearExtremes(bool highs, int period);
  void ClearRainCounter(int which) { weather_.ClearCounter(which); }
  void SetYearRain(int clicks) { weather_.SetYearRain(clicks); }

  // Test control: fixed readings and extremes laid over the generated ones.
  void SetReading(const std::string& name, std::optional<int> value);  // nullopt = dashed
  void ReleaseReading(const std::string& name);
  void SetExtreme(const std::string& quantity, Slot slot, int value);
  void ReleaseAll();
  void Freeze(bool frozen) { frozen_ = frozen; }
  // What LOOP reports now (dashed fields absent): the sensors' readings with
  // the calibration offsets added, and the alarm bits they raise against the
  // thresholds in memory.
  Readings readings() const;
  std::optional<int> extreme(const std::string& quantity, Slot slot) const;

  Firmware& firmware() { return firmware_; }
  const Firmware& firmware() const { return firmware_; }
  bool NewArchiveLayout() const;  // firmware from 1 Mar 2002
  int ArchivePeriod() const;

 private:
  struct Period {  // running sums of one archive interval
    int samples = 0;
    double out_temp = 0, in_temp = 0, bar = 0, solar = 0, wind = 0, uv = 0;
    int out_high = kUnset, out_low = kUnset, rate_high = 0, wind_high = 0, wind_high_dir = 0;
    int solar_high = 0, uv_high = 0, rain_start = -1, et_start = -1;
    std::array<int, 16> directions{};
  };

  void InitMemory(int archive_period);
  void StepTo(std::int64_t time, int seconds);
  void StepUntil(std::int64_t target, int step);  // weather, extremes and archive, in steps
  void TrackExtremes(std::int64_t time, std::int64_t previous, const Readings& r);
  void Accumulate(const Readings& r);
  void WriteRecord(std::int64_t time);
  void StartPeriod(const Readings& r);
  std::set<std::string> AbsentSensors() const;  // from the transmitter configuration
  Readings SensorReadings() const;              // generated or fixed, before calibration
  void AddAlarmBits(Readings& r) const;

  const ConsoleClock& clock_;
  Firmware firmware_;
  std::string memory_;
  std::set<std::string> absent_;  // sensors no transmitter declares
  Weather weather_;
  std::int64_t offset_ = 0;  // console time - clock time
  std::int64_t last_ = 0;    // time of the last model step
  bool frozen_ = false;
  std::map<std::string, std::optional<int>> fixed_readings_;
  std::map<std::string, std::array<int, kSlotCount>> extremes_;
  std::map<std::pair<std::string, int>, int> fixed_extremes_;
  int rate_hour_start_ = -1;
  Period period_;
  std::deque<std::string> archive_;
  std::int64_t first_record_number_ = 0;  // running number of archive_.front()
  ArchiveFaults archive_faults_;
};

}  // namespace consolesim
