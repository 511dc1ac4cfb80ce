#pragma once
// The alarm table: 74 checks of a set threshold against the live reading it
// watches, each with the form and unit of the reading in the alert item.

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "agent/families/alarm_slots.h"
#include "agent/families/family_slots.h"

namespace agent {

enum class AlarmTest {
  kBelow,            // reading < threshold
  kAbove,            // reading > threshold
  kEqual,            // reading == threshold, as floats
  kThresholdIsZero,  // no reading: raised by a threshold of exactly 0.0
  kNever,            // a threshold with no reading it could be compared with
};

// One check, or one per sensor of a numbered family (slot and reading step together).
struct AlarmCheck {
  int slot;     // first alarm-threshold slot
  int count;    // 1, or the number of sensors
  int reading;  // first current-data slot; unused by kThresholdIsZero and kNever
  AlarmTest test;
  AlarmForm form;
  std::string_view unit;
};

// The table, in order: 35 rows for 74 checks.
std::span<const AlarmCheck> AlarmChecks();

using RaiseAlarm = std::function<void(int slot, const std::string& current_text)>;

// Runs every check in table order and calls `raise` for each that holds. A
// threshold that is not set, or a reading that is not a valid station value,
// raises nothing. The caller holds the catalogue lock.
void RunAlarmChecks(const AlarmThresholds& thresholds, const CurrentDataSlots& current,
                    const RaiseAlarm& raise);

}  // namespace agent
