#pragma once
#include "stationlib/data/units.h"

namespace orbisk::data {

// What the console's firmware date tells (set by the station initialisation).
struct FirmwareFeatures {
  bool identified = false;    // station initialised
  bool no_bar_trend = false;  // firmware before 1 Mar 2002: trend reported dashed
  bool new_firmware = false;  // firmware after 1 Nov 2004
  bool repeater = false;      // firmware after 8 Mar 2005: repeater status available
  bool from2002 = true;       // firmware from 1 Mar 2002 (transmitter type mapping)
};

// Library settings and firmware features every query reads.
struct QueryContext {
  Units units;
  RainCollector rain;
  FirmwareFeatures features;
};

}  // namespace orbisk::data
