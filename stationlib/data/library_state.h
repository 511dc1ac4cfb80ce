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
  bool current_loaded = false;

  HiLowStore hilows;
  bool hilows_loaded = false;

  AlarmBlock alarms = AlarmBlock::none();
  bool alarms_loaded = false;
  AlarmBlock pending = AlarmBlock::none();
  bool pending_exists = false;
  std::string time_alarm_text = "---";  // the text handed out by the time-alarm getter

  CalibrationMirror calibration;
  bool calibration_loaded = false;

  std::array<std::uint8_t, 16> tx_config{};
  std::uint8_t own_transmitter = 0;
};

LibraryState& GetLibraryState();

}  // namespace orbisk::data
