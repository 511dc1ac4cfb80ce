#pragma once
// Date-time texts of the station and the station-time tags.

#include <cstdint>
#include <string>

#include "agent/core/agent_state.h"
#include "agent/catalogue/date_time_record.h"

namespace agent {

// The marker callers pass for "argument absent" (full form).
inline constexpr std::int32_t kArgumentAbsent = -65535;

// Mode 1: DD/MM/YYYY; mode 2: HHhMM; any other: DD/MM/YYYY HHhMM.
// "---" when minute, hour, day or month is -1.
std::string FormatStationDateTime(const DateTimeRecord& record, std::int32_t mode);

// Writes TempStation_Heure, _Minute, _Jour, _Mois, _Annee and TempStation from
// the snapshot's station-time record. Takes the catalogue lock itself.
void PublishStationTime(AgentState& state);

}  // namespace agent
