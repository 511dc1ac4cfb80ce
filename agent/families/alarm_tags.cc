#include "agent/families/alarm_tags.h"

#include "agent/families/alarm_description.h"
#include "agent/catalogue/value_catalogue.h"

namespace agent {

void PublishAlarmTags(AgentContext& context, const AlarmThresholds& thresholds) {
  for (const AlarmSlotFamily& family : AlarmSlotFamilies()) {
    for (int slot = family.firstSlot; slot < family.firstSlot + family.count; ++slot) {
      if (!IsAlarmSet(thresholds, slot)) continue;
      const std::string threshold = family.tagForm == AlarmForm::kText
                                        ? thresholds.timeText
                                        : FormatAlarmValue(thresholds.values[slot], family.tagForm);
      SetTag(context.state.catalogue, "Alarmes_" + AlarmTagSuffix(slot),
             DescribeAlarm(AlarmName(slot)) + " -> " + threshold + std::string(family.tagUnit));
    }
  }
}

}  // namespace agent
