#pragma once
// The current-data family: its collection (three groups with their own
// refresh intervals, on the monotonic clock) and its builder (63 tags and the
// ET tags, with the image steps beside them).

#include <functional>
#include <string>

#include "agent/acquisition/station_library.h"
#include "agent/core/agent_context.h"
#include "agent/families/family_slots.h"

namespace agent {

// The pictures the builder redraws; an empty hook draws nothing.
struct CurrentDataImages {
  std::function<void(int degrees)> wind_rose;
  std::function<void(const std::string& trend_text)> trend_icon;
  std::function<void(float rain_rate)> rain_icon;
  std::function<void(int forecast_icon)> forecast_icon;
  std::function<void(float thsw, bool thsw_valid, float thw, bool thw_valid)> severe_cold_icon;
};

// 0 when the live data could not be loaded (nothing changes); else the result
// of the station-time read, or the low 8 bits of the sunset read when the
// SunSetSunRise group ran. 1 is a successful collection.
int AcquireCurrentData(AgentContext& context, StationLibrary& library, FamilySlots& slots);

// Writes the current-data tags; the caller holds the catalogue lock.
void PublishCurrentData(AgentContext& context, const FamilySlots& slots,
                        const CurrentDataImages& images);

}  // namespace agent
