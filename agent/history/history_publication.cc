#include "agent/history/history_publication.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "agent/catalogue/value_catalogue.h"
#include "agent/history/history_tags.h"
#include "agent/history/local_stamps.h"
#include "agent/images/agent_icons.h"
#include "platform/files.h"

namespace agent {
namespace {

// Further back than the year so far and than the year of days charted, in any time zone.
constexpr std::int64_t kReach = 367 * 86400;

}  // namespace

bool BuildHistory(ArchiveStore& store, const HistoryClock& clock, HistoryOutput& output,
                  std::string& error) {
  const std::optional<StoreExtent> extent = store.Extent();
  if (!extent) {
    error = "lecture du nombre d'enregistrements impossible";
    return false;
  }
  HistoryTags tags(clock);
  HistoryCharts charts(clock);
  HistoryRecord record;
  const bool read = store.Visit(
      clock.now_utc - kReach, clock.now_utc, kHistoryColumns,
      [&](std::int64_t time_utc, std::string_view local_time, int interval_min,
          std::span<const double> values) {
        const std::optional<platform::LocalTime> stamp = ParseStamp(local_time);
        if (!stamp) return;
        record.time_utc = time_utc;
        record.reading = ReadingSeconds(*stamp);
        record.interval_min = interval_min;
        std::copy(values.begin(), values.end(), record.values.begin());
        tags.Add(record);
        charts.Add(record);
      },
      error);
  if (!read) return false;
  output.tags = tags.Texts(*extent);
  output.charts = charts.Draw();
  return true;
}

void PublishHistory(AgentContext& context, ArchiveStore& store) {
  HistoryOutput output;
  std::string error;
  if (!BuildHistory(store, HistoryClockOf(context.env()), output, error)) {
    LogMessage(context, "[MoteurRecupDonnees] : Archive : lecture impossible de l'historique (" +
                            error + ") ; historique et graphiques non mis à jour.");
    return;
  }
  {
    std::lock_guard<platform::EnvMutex> lock(context.state.catalogue_lock);
    for (const auto& [name, text] : output.tags) SetTag(context.state.catalogue, name, text);
  }
  images::AgentIconOutput files(context);
  const std::string directory = context.CacheDirectoryPath();
  std::string previous;
  for (const ChartFile& chart : output.charts) {
    const std::string path = platform::JoinPath(directory, chart.name);
    // The upload queue sends what changed: an unchanged chart is neither written nor queued.
    if (context.env().ReadFile(path, previous) && previous == chart.svg) continue;
    const std::span<const std::uint8_t> bytes(
        reinterpret_cast<const std::uint8_t*>(chart.svg.data()), chart.svg.size());
    if (files.ReplaceFile(path, bytes)) files.QueueUpload(path);
  }
}

void InitialiseHistoryTags(AgentContext& context) {
  std::lock_guard<platform::EnvMutex> lock(context.state.catalogue_lock);
  for (const std::string& name : HistoryTags::Names())
    SetTag(context.state.catalogue, name, kPlaceholderText);
}

}  // namespace agent
