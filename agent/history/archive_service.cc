#include "agent/history/archive_service.h"

#include <cmath>
#include <mutex>
#include <optional>
#include <vector>

#include "agent/acquisition/station_error_text.h"
#include "agent/catalogue/station_values.h"
#include "agent/families/rain_scale.h"
#include "agent/history/history_publication.h"
#include "agent/history/local_stamps.h"
#include "stationlib/api/OrbiskPro.h"

namespace agent {
namespace {

constexpr const char* kTag = "[MoteurRecupDonnees] : Archive : ";
constexpr const char* kDefaultDatabase = "#REPCOURANT#archive.sqlite";

using Record = OrbiskArchiveRecordEx;

// How a record's field becomes its column: the library hands out °F, inHg, mph, inches of its
// own collector setting (rain) and inches (ET); directions as compass points 0-15.
enum class Unit { kPlain, kFahrenheit, kInHg, kCollectorInches, kMph, kPoint, kInches };

struct Source {
  Unit unit;
  float (*read)(const Record&);
};

// One row per column of kMeasureColumns, in its order.
constexpr Source kSources[] = {
    {Unit::kFahrenheit, [](const Record& r) { return r.outsideTemp; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.highOutsideTemp; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.lowOutsideTemp; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.insideTemp; }},
    {Unit::kPlain, [](const Record& r) { return r.outsideHumidity; }},
    {Unit::kPlain, [](const Record& r) { return r.insideHumidity; }},
    {Unit::kInHg, [](const Record& r) { return r.barometer; }},
    {Unit::kCollectorInches, [](const Record& r) { return r.rain; }},
    {Unit::kCollectorInches, [](const Record& r) { return r.highRainRate; }},
    {Unit::kMph, [](const Record& r) { return r.windSpeed; }},
    {Unit::kMph, [](const Record& r) { return r.highWindSpeed; }},
    {Unit::kPoint, [](const Record& r) { return static_cast<float>(r.windDirection); }},
    {Unit::kPoint, [](const Record& r) { return static_cast<float>(r.highWindDirection); }},
    {Unit::kPlain, [](const Record& r) { return static_cast<float>(r.solarRadiation); }},
    {Unit::kPlain, [](const Record& r) { return r.uv; }},
    {Unit::kInches, [](const Record& r) { return r.et; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.extraTemp[0]; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.extraTemp[1]; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.extraTemp[2]; }},
    {Unit::kPlain, [](const Record& r) { return r.extraHumidity[0]; }},
    {Unit::kPlain, [](const Record& r) { return r.extraHumidity[1]; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.soilTemp[0]; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.soilTemp[1]; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.soilTemp[2]; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.soilTemp[3]; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.leafTemp[0]; }},
    {Unit::kFahrenheit, [](const Record& r) { return r.leafTemp[1]; }},
    {Unit::kPlain, [](const Record& r) { return r.soilMoisture[0]; }},
    {Unit::kPlain, [](const Record& r) { return r.soilMoisture[1]; }},
    {Unit::kPlain, [](const Record& r) { return r.soilMoisture[2]; }},
    {Unit::kPlain, [](const Record& r) { return r.soilMoisture[3]; }},
    {Unit::kPlain, [](const Record& r) { return r.leafWetness[0]; }},
    {Unit::kPlain, [](const Record& r) { return r.leafWetness[1]; }},
};
static_assert(std::size(kSources) == kMeasureCount);

std::optional<double> Metric(float value, Unit unit, std::int32_t collector) {
  if (IsValidStationValue(value) != 1) return std::nullopt;
  double metric = value;
  switch (unit) {
    case Unit::kPlain:
      break;
    case Unit::kFahrenheit:
      metric = ConvertFahrenheitToCelsius(value);
      break;
    case Unit::kInHg:
      metric = ConvertInHgToHectopascal(value);
      break;
    case Unit::kCollectorInches:
      metric = ScaleRain(value, collector);
      break;
    case Unit::kMph:
      metric = ConvertMphToKmh(static_cast<std::int32_t>(RoundHalfEven(value)));
      break;
    case Unit::kPoint:
      metric = value * 22.5;
      break;
    case Unit::kInches:
      metric = value * 25.4;
      break;
  }
  // Hundredths: below what any sensor resolves, and no float noise in the database.
  return std::round(metric * 100.0) / 100.0;
}

// The console's stamp as a clock reading; "24:00" is midnight of the next day.
platform::LocalTime StampOf(const Record& record) {
  return platform::BreakDownUtc(DaysFromCivil(record.year, record.month, record.day) * 86400 +
                                static_cast<std::int64_t>(record.minutes) * 60);
}

// The instant of a stamp in the console's order: the earliest one the host's clock read it at
// after the previous record. In the hour repeated in autumn that puts a second pass after the
// first.
std::int64_t PlaceInTime(const platform::LocalTime& stamp, std::optional<std::int64_t> previous) {
  const std::vector<std::int64_t> instants = platform::HostInstantsOf(stamp);
  for (std::int64_t instant : instants)
    if (!previous || instant > *previous) return instant;
  return instants.back();
}

void Log(AgentContext& context, const std::string& text) {
  LogMessage(context, kTag + text);
}

// The records the library holds after a download, as rows placed after `newest`. False when
// the console failed.
bool Download(AgentContext& context, StationLibrary& library,
              const std::optional<StoredEnd>& newest, std::vector<ArchiveRow>& rows) {
  // With an empty store, a date before 2000 asks for everything the console holds.
  platform::LocalTime after{0, 0, 0, 0, 0, 0};
  if (newest) after = ParseStamp(newest->local_time).value_or(after);
  const std::int32_t collector = library.CallStationWord(Export::kGetRainCollectorModelOnStation);
  const std::int32_t downloaded = library.CallStationLong(
      Export::kDownloadData, {after.minute, after.hour, after.day, after.month, after.year});
  if (collector < 0 || downloaded < 0) {
    Log(context,
        "téléchargement impossible : " + StationErrorText(downloaded < 0 ? downloaded : collector));
    return false;
  }
  // The count is the index of the last record (-1: none).
  const std::int32_t last = library.CallStationLong(Export::kGetNumberOfArchiveRecords);
  std::optional<std::int64_t> previous;
  if (newest) previous = newest->time_utc;
  for (std::int32_t i = 0; i <= last; ++i) {
    Record record{};
    if (library.CallStationWord(Export::kGetArchiveRecordEx, {static_cast<void*>(&record), i}) != 1)
      break;
    const platform::LocalTime stamp = StampOf(record);
    ArchiveRow row;
    row.time_utc = PlaceInTime(stamp, previous);
    row.local_time = StampText(stamp);
    row.interval_min = record.archivePeriod;
    for (std::size_t m = 0; m < kMeasureCount; ++m)
      row.measures[m] = Metric(kSources[m].read(record), kSources[m].unit, collector);
    previous = row.time_utc;
    rows.push_back(std::move(row));
  }
  return true;
}

// Journals each stretch longer than one archive period with no record, newest stored first.
void JournalGaps(AgentContext& context, const std::optional<StoredEnd>& newest,
                 const std::vector<ArchiveRow>& rows) {
  std::optional<StoredEnd> before = newest;
  for (const ArchiveRow& row : rows) {
    if (before && row.interval_min > 0 && row.time_utc - before->time_utc > row.interval_min * 60)
      Log(context, "lacune, aucun enregistrement de la console entre le " +
                       StampDateText(before->local_time) + " et le " +
                       StampDateText(row.local_time) + ".");
    before = StoredEnd{row.time_utc, row.local_time};
  }
}

}  // namespace

std::string ArchiveDatabasePath(AgentContext& context) {
  std::string setting = context.Setting("ARCHIVE", "Database");
  if (setting.empty()) setting = kDefaultDatabase;
  return context.ResolvePath(context.Expand(setting));
}

int CollectArchive(AgentContext& context, StationLibrary& library, ArchiveStore& store) {
  const std::string path = ArchiveDatabasePath(context);
  std::string set_aside;
  std::string error;
  const bool opened = store.Open(context.env(), path, set_aside, error);
  if (!set_aside.empty()) {
    Log(context, "la base " + path + " n'est pas une base d'historique valide ; renommée en " +
                     set_aside + ", une nouvelle base est créée.");
  }
  if (!opened) {
    // Nothing is asked of the console: the link is not at fault.
    Log(context, "ouverture impossible de la base " + path + " (" + error +
                     ") ; nouvel essai à la prochaine collecte.");
    return 1;
  }
  const std::optional<StoredEnd> newest = store.Newest();
  std::vector<ArchiveRow> rows;
  {
    // The download and the read-out form one sequence of the library.
    std::lock_guard<std::recursive_mutex> hold(library.Lock());
    if (!Download(context, library, newest, rows)) return 0;
  }
  JournalGaps(context, newest, rows);
  const AppendResult stored = store.Append(rows);
  switch (stored.outcome) {
    case StoreOutcome::kFull:
      Log(context, "disque plein, " + std::to_string(rows.size()) +
                       " enregistrement(s) non écrit(s) dans " + path +
                       " ; nouvel essai à la prochaine collecte.");
      break;
    case StoreOutcome::kFailed:
      Log(context, "écriture impossible dans " + path + " (" + stored.message +
                       ") ; nouvel essai à la prochaine collecte.");
      break;
    case StoreOutcome::kDone:
      if (stored.added == 0) {
        Log(context, "aucun nouvel enregistrement.");
      } else {
        Log(context, std::to_string(stored.added) + " enregistrement(s) ajouté(s), le dernier du " +
                         StampDateText(rows.back().local_time) + ".");
      }
      break;
  }
  // The periods end now: they move on even without a new record.
  if (store.IsOpen()) PublishHistory(context, store);
  return 1;
}

void InstallArchiveService(AgentContext& context, ServiceTable& services, ArchiveStore& store) {
  services.SetCollector(
      "Archive",
      [&context, &store](StationLibrary& library) {
        return CollectArchive(context, library, store);
      },
      true);
}

}  // namespace agent
