#include "agent/families/alert_list.h"

#include "agent/catalogue/value_catalogue.h"
#include "agent/core/journal.h"

namespace agent {

std::string FormatAlertStamp(const platform::LocalTime& pass_time) {
  return FormatJournalDate("%dd/%mm/%yyyy %hh:%ii", pass_time);
}

void AppendAlert(AgentContext& context, std::string_view stamp, std::string_view description,
                 std::string_view current_text) {
  ValueCatalogue& catalogue = context.state.catalogue;
  std::string list = ReadTag(catalogue, kAlertsTag);
  list += context.Setting("FORMDATA", "MultiItems");
  list += stamp;
  list += '|';
  list += description;
  list += " > ";
  list += current_text;
  SetTag(catalogue, kAlertsTag, list);
}

}  // namespace agent
