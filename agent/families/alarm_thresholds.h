#pragma once
// The collection of the Alarm service: the console's alarm block, read into
// the threshold slots.

#include "agent/acquisition/station_library.h"
#include "agent/families/alarm_slots.h"
#include "agent/families/family_slots.h"

namespace agent {

// 1 when the thresholds were read; 0 when the alarm block could not be loaded
// (nothing changes). Rain thresholds follow the rain collector that the
// station configuration last read. The caller holds the catalogue lock.
int AcquireAlarmThresholds(StationLibrary& library, const FamilySlots& families,
                           AlarmThresholds& thresholds);

}  // namespace agent
