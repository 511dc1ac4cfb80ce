#pragma once
// The acquisition snapshot of one agent run: typed slots that the acquisition
// procedures fill from the station library (acquisition engine thread) and the
// service builders and the alarm watch read (service scheduler and watch
// threads). Both sides hold the catalogue lock, except for the station-time
// record, which carries its own small lock. Every slot keeps the last value
// written; slots never written hold zero, and the library's sentinels
// (its OrbiskResult codes) are kept as they came.

#include "agent/catalogue/station_time.h"
#include "agent/families/alarm_slots.h"
#include "agent/families/family_slots.h"

namespace agent {

struct AcquisitionSnapshot {
  StationTimeSlot station_time;
  FamilySlots families;
  AlarmThresholds alarm_thresholds;
};

}  // namespace agent
