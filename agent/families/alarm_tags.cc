#include "agent/families/alarm_tags.h"

#include "agent/catalogue/value_catalogue.h"
#include "agent/families/alarm_description.h"

namespace agent {

void PublishAlarmTags(AgentContext& context, const AlarmThresholds& thresholds) {
  for (const AlarmSlotFamily& family : AlarmSlotFamilies()) {
    for (int slot = family.first_slot; slot < family.first_slot + family.count; ++slot) {
      if (!IsAlarmSet(thresholds, slot)) continue;
      const std::string threshold =
          family.tag_form == AlarmForm::kText
              ? thresholds.time_text
              : FormatAlarmValue(thresholds.values[slot], family.tag_form);
      SetTag(context.state.catalogue, "Alarmes_" + AlarmTagSuffix(slot),
             DescribeAlarm(AlarmName(slot)) + " -> " + threshold + std::string(family.tag_unit));
    }
  }
}

}  // namespace agent
