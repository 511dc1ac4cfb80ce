#include "agent/families/alarm_watch.h"

#include <mutex>

#include "agent/catalogue/value_catalogue.h"
#include "agent/families/alarm_checks.h"
#include "agent/families/alarm_description.h"
#include "agent/families/alert_list.h"
#include "agent/images/agent_icons.h"

namespace agent {

AlarmWatch::AlarmWatch(AgentContext& context, const FamilySlots& families,
                       const AlarmThresholds& thresholds)
    : context_(context), families_(families), thresholds_(thresholds) {}

void AlarmWatch::PublishImage(AlertImageState wanted) {
  if (images::PublishAlertImage(context_, wanted == AlertImageState::kAlert ? 1 : 0))
    image_.store(wanted, std::memory_order_relaxed);
}

bool AlarmWatch::PublishQuietImage() {
  PublishImage(AlertImageState::kQuiet);
  return ImageState() == AlertImageState::kQuiet;
}

bool AlarmWatch::RebuildAlertList() {
  AgentState& state = context_.state;
  std::lock_guard<platform::EnvMutex> hold(state.catalogue_lock);
  SetTag(state.catalogue, kAlertsTag, "");
  const std::string stamp = FormatAlertStamp(context_.env().Now());
  RunAlarmChecks(thresholds_, families_.current, [&](int slot, const std::string& current_text) {
    AppendAlert(context_, stamp, DescribeAlarm(AlarmName(slot)), current_text);
  });
  return !ReadTag(state.catalogue, kAlertsTag).empty();
}

bool AlarmWatch::RunPass() {
  // Below 2 the slots may hold a mix of this pass and an older connection.
  if (context_.state.pass_collection_count.Get() < 2) return false;
  const bool active = RebuildAlertList();
  // The picture goes out after the catalogue lock is released; the queue has its own.
  if (active) {
    PublishImage(AlertImageState::kAlert);
  } else if (ImageState() != AlertImageState::kQuiet) {
    PublishImage(AlertImageState::kQuiet);
  }
  return true;
}

void AlarmWatch::Run() {
  do {
    RunPass();
  } while (context_.Sleep(kAlarmWatchPeriodMs));
}

}  // namespace agent
