#pragma once
// Date-time texts of the station and the station-time tags.

#include <cstdint>
#include <mutex>
#include <string>

#include "agent/core/agent_state.h"
#include "stationlib/api/OrbiskPro.h"

namespace agent {

// The console's clock, refreshed by the acquisition engine after it has
// released the catalogue lock and read by PublishStationTime.
class StationTimeSlot {
 public:
  void Store(const OrbiskDateTime& record) {
    std::lock_guard<std::mutex> lock(mutex_);
    record_ = record;
  }
  OrbiskDateTime Load() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return record_;
  }

 private:
  mutable std::mutex mutex_;
  OrbiskDateTime record_{};
};

// The marker callers pass for "argument absent" (full form).
inline constexpr std::int32_t kArgumentAbsent = -65535;

// Mode 1: DD/MM/YYYY; mode 2: HHhMM; any other: DD/MM/YYYY HHhMM.
// "---" when minute, hour, day or month is -1.
std::string FormatStationDateTime(const OrbiskDateTime& record, std::int32_t mode);

// Writes TempStation_Heure, _Minute, _Jour, _Mois, _Annee and TempStation from
// the station-time record. Takes the catalogue lock itself.
void PublishStationTime(AgentState& state, const StationTimeSlot& station_time);

}  // namespace agent
