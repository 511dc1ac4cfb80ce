#include "agent/app/alarm_steps.h"

#include "agent/app/acquisition_steps.h"
#include "agent/families/alarm_service.h"
#include "agent/families/tag_family_services.h"

namespace agent {

AlarmThresholds& ProcessAlarmThresholds() {
  static AlarmThresholds thresholds;
  return thresholds;
}

AlarmWatch& ProcessAlarmWatch(AgentContext& context) {
  static AlarmWatch watch(context, ProcessFamilySlots(), ProcessAlarmThresholds());
  return watch;
}

void InstallAlarmServiceStep(StartupRun& run) {
  AgentContext& context = run.context;
  std::lock_guard<std::recursive_mutex> hold(context.state.catalogueLock);
  InstallAlarmService(context, Acquisition(context).services, ProcessFamilySlots(),
                      ProcessAlarmThresholds());
}

void PublishStartupAlertImage(AgentContext& context) {
  ProcessAlarmWatch(context).PublishQuietImage();
}

void StartAlarmWatchStep(StartupRun& run) {
  run.StartWorker([](AgentContext& context) { ProcessAlarmWatch(context).Run(); });
}

}  // namespace agent
