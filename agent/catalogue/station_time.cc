#include "agent/catalogue/station_time.h"

#include <mutex>

#include "agent/catalogue/number_forms.h"
#include "agent/catalogue/value_catalogue.h"

namespace agent {
namespace {

std::string TwoCharacters(std::int32_t value) {
  std::string text = std::to_string(value);
  return text.size() == 1 ? "0" + text : text;
}

}  // namespace

std::string FormatStationDateTime(const OrbiskDateTime& record, std::int32_t mode) {
  if (record.minute == -1 || record.hour == -1 || record.day == -1 || record.month == -1)
    return kPlaceholderText;
  std::string date = TwoCharacters(record.day) + "/" + TwoCharacters(record.month) + "/" +
                     std::to_string(record.year);
  std::string time = TwoCharacters(record.hour) + "h" + TwoCharacters(record.minute);
  if (mode == 1) return date;
  if (mode == 2) return time;
  return date + " " + time;
}

void PublishStationTime(AgentState& state, const StationTimeSlot& station_time) {
  const OrbiskDateTime record = station_time.Load();
  std::lock_guard<platform::EnvMutex> lock(state.catalogue_lock);
  SetTag(state.catalogue, "TempStation_Heure", FormatWholeNumber(record.hour));
  SetTag(state.catalogue, "TempStation_Minute", FormatWholeNumber(record.minute));
  SetTag(state.catalogue, "TempStation_Jour", FormatWholeNumber(record.day));
  SetTag(state.catalogue, "TempStation_Mois", FormatWholeNumber(record.month));
  SetTag(state.catalogue, "TempStation_Annee", FormatWholeNumber(record.year));
  SetTag(state.catalogue, "TempStation", FormatStationDateTime(record, kArgumentAbsent));
}

}  // namespace agent
