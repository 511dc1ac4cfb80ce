#pragma once
// The alarm watch: every 2000 ms, while the acquisition engine has collected
// both the current data and the alarm thresholds in its current pass, it
// rebuilds "Alertes" from the check table and publishes the alert picture.

#include <atomic>

#include "agent/core/agent_context.h"
#include "agent/families/alarm_slots.h"
#include "agent/families/family_slots.h"

namespace agent {

inline constexpr std::int64_t kAlarmWatchPeriodMs = 2000;

// What the site was last given as "ico_alerte.png".
enum class AlertImageState : std::uint8_t { kNone, kQuiet, kAlert };

class AlarmWatch {
 public:
  // The slots are read under the catalogue lock; they must outlive the watch.
  AlarmWatch(AgentContext& context, const FamilySlots& families, const AlarmThresholds& thresholds);

  // Start-up: the quiet picture. True when it was written and queued; when it
  // was not, the first pass with no active alarm writes it.
  bool PublishQuietImage();

  // One pass. False, with "Alertes" and the picture left as they are, while
  // the pass collection count is below 2.
  bool RunPass();

  // The checks of a pass, under the catalogue lock: "Alertes" rebuilt with
  // the time of now; true when an alarm is active.
  bool RebuildAlertList();

  // WatchAlarms: a pass every 2000 ms of the context's clock until it stops.
  void Run();

  AlertImageState ImageState() const { return image_.load(std::memory_order_relaxed); }

 private:
  // Writes and queues the picture; the state moves only when that worked.
  void PublishImage(AlertImageState wanted);

  AgentContext& context_;
  const FamilySlots& families_;
  const AlarmThresholds& thresholds_;
  std::atomic<AlertImageState> image_{AlertImageState::kNone};
};

}  // namespace agent
