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

#include "tools/console-sim/clock.h"
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
  int archivePeriod = 5;  // minutes
};

// Stamps as the console writes them in archive records and dump requests.
int dateStamp(const CivilTime& c);
int timeStamp(const CivilTime& c);

class Console {
 public:
  static constexpr int kUnset = INT_MIN;  // an extreme not reached yet
  static constexpr int kArchiveCapacity = 2560;  // records

  Console(const Clock& clock, ConsoleOptions options);

  // Brings the weather, the extremes and the archive up to the clock.
  void update();
  std::int64_t now() const;
  std::int64_t nowMs() const;  // the console clock in milliseconds
  // Sets the console clock. With `replay` the weather, extremes and archive
  // are generated for the stretch skipped forwards (up to two days);
  // without it (a client setting the clock) the console simply jumps.
  void setTime(std::int64_t consoleTime, bool replay = false);

  // Replies, CRC included where the console sends one.
  std::string loopPacket() const;
  std::string lpsPacket() const;
  std::string hiLows() const;
  std::string timeReply() const;
  std::string calibratedReadings() const;  // the CALED block, CRC included
  // CALFIX: the readings a client wants shown (the CALED block without its
  // CRC); the calibration offsets at memory 50 move so that they are.
  void applyCalibration(const std::string& block);
  std::optional<std::string> memoryRead(int address, int length) const;  // data + CRC
  bool memoryWrite(int address, const std::string& bytes);
  const std::string& memory() const { return memory_; }

  // Archive: DMPAFT positions a transfer, pages are then read one by one.
  struct DumpHeader {
    int pages = 0;
    int firstIndex = 0;
    std::int64_t firstPage = 0;  // running page number of the transfer's first page
  };
  DumpHeader startDump(int date, int time) const;
  // Page `page` of a transfer (0 = its first page), 267 bytes.
  std::string dumpPage(const DumpHeader& dump, int page) const;
  // Archive faults a test switches on: pages of every transfer sent with a
  // spoilt checksum, and DMPAFT requests answered 0x15 (count as in Faults).
  struct ArchiveFaults {
    std::set<int> corruptPages;  // page numbers within a transfer
    int refusedRequests = 0;
  };
  ArchiveFaults& archiveFaults() { return archiveFaults_; }
  std::vector<std::string> recordsAfter(int date, int time) const;
  std::size_t archiveSize() const { return archive_.size(); }
  void clearArchive();
  void addArchiveRecord(const Readings& fields);  // by archive field names
  std::string encodeRecord(const Readings& fields) const;

  // Clears of the console (CLRHIGHS n, CLRLOWS n with n = 0 day, 1 month, 2 year).
  void clearExtremes(bool highs, int period);
  void clearRainCounter(int which) { weather_.clearCounter(which); }
  void setYearRain(int clicks) { weather_.setYearRain(clicks); }

  // Test control: fixed readings and extremes laid over the generated ones.
  void setReading(const std::string& name, std::optional<int> value);  // nullopt = dashed
  void releaseReading(const std::string& name);
  void setExtreme(const std::string& quantity, Slot slot, int value);
  void releaseAll();
  void freeze(bool frozen) { frozen_ = frozen; }
  // What LOOP reports now (dashed fields absent): the sensors' readings with
  // the calibration offsets added, and the alarm bits they raise against the
  // thresholds in memory.
  Readings readings() const;
  std::optional<int> extreme(const std::string& quantity, Slot slot) const;

  Firmware& firmware() { return firmware_; }
  const Firmware& firmware() const { return firmware_; }
  bool newArchiveLayout() const;  // firmware from 1 Mar 2002
  int archivePeriod() const;

 private:
  struct Period {  // running sums of one archive interval
    int samples = 0;
    double outTemp = 0, inTemp = 0, bar = 0, solar = 0, wind = 0, uv = 0;
    int outHigh = kUnset, outLow = kUnset, rateHigh = 0, windHigh = 0, windHighDir = 0;
    int solarHigh = 0, uvHigh = 0, rainStart = -1, etStart = -1;
    std::array<int, 16> directions{};
  };

  void initMemory(int archivePeriod);
  void stepTo(std::int64_t time, int seconds);
  void trackExtremes(std::int64_t time, std::int64_t previous, const Readings& r);
  void accumulate(const Readings& r);
  void writeRecord(std::int64_t time);
  void startPeriod(const Readings& r);
  std::set<std::string> absentSensors() const;  // from the transmitter configuration
  Readings sensorReadings() const;  // generated or fixed, before calibration
  void addAlarmBits(Readings& r) const;

  const Clock& clock_;
  Firmware firmware_;
  std::string memory_;
  std::set<std::string> absent_;  // sensors no transmitter declares
  Weather weather_;
  std::int64_t offset_ = 0;  // console time - clock time
  std::int64_t last_ = 0;    // time of the last model step
  bool frozen_ = false;
  std::map<std::string, std::optional<int>> fixedReadings_;
  std::map<std::string, std::array<int, kSlotCount>> extremes_;
  std::map<std::pair<std::string, int>, int> fixedExtremes_;
  int rateHourStart_ = -1;
  Period period_;
  std::deque<std::string> archive_;
  std::int64_t firstRecordNumber_ = 0;  // running number of archive_.front()
  ArchiveFaults archiveFaults_;
};

}  // namespace consolesim
