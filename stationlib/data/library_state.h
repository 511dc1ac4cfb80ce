#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "stationlib/data/alarm_block.h"
#include "stationlib/data/calibration.h"
#include "stationlib/data/hilows.h"
#include "stationlib/data/live_packet.h"
#include "stationlib/data/units.h"

namespace orbisk::data {

// The station library's data state: settings, stores and mirrors. The
// library is driven by one thread at a time; nothing here is locked.
struct LibraryState {
  Units units;
  RainCollector rain;

  CurrentStore current;
  bool currentLoaded = false;

  HiLowStore hilows;
  bool hilowsLoaded = false;

  AlarmBlock alarms = AlarmBlock::none();
  bool alarmsLoaded = false;
  AlarmBlock pending = AlarmBlock::none();
  bool pendingExists = false;
  std::string timeAlarmText = "---";  // the text handed out by the time-alarm getter

  CalibrationMirror calibration;
  bool calibrationLoaded = false;

  std::array<std::uint8_t, 16> txConfig{};
  std::uint8_t ownTransmitter = 0;
};

LibraryState& libraryState();

}  // namespace orbisk::data
