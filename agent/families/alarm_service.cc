#include "agent/families/alarm_service.h"

#include "agent/families/alarm_tags.h"
#include "agent/families/alarm_thresholds.h"

namespace agent {

void InstallAlarmService(AgentContext& context, ServiceTable& services, const FamilySlots& families,
                         AlarmThresholds& thresholds) {
  services.SetCollector("Alarm", [&families, &thresholds](StationLibrary& library) {
    return AcquireAlarmThresholds(library, families, thresholds);
  });
  services.SetBuilder("Alarm", [&context, &thresholds] { PublishAlarmTags(context, thresholds); });
}

}  // namespace agent
