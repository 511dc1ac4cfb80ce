#include "agent/history/history_tags.h"

#include "agent/catalogue/number_forms.h"
#include "agent/catalogue/value_catalogue.h"
#include "agent/history/local_stamps.h"

namespace agent {
namespace {

struct Period {
  const char* name;
  std::int64_t seconds;  // 0: the calendar year so far
};
constexpr Period kPeriods[] = {
    {"1h", 3600}, {"24h", 86400}, {"7j", 7 * 86400}, {"30j", 30 * 86400}, {"Annee", 0}};

enum class Kind { kMin, kMax, kMean, kTotal };

// One tag a period. `fallback` stands in for `field` on a record without it (the period's
// low of a record is its own reading when the console kept no low). `decimals` -1: a whole
// number, as the live tag prints it.
struct Quantity {
  const char* name;
  const char* statistic;
  Kind kind;
  HistoryField field;
  HistoryField fallback;
  int decimals;
};
constexpr Quantity kQuantities[] = {
    {"TempExt", "Min", Kind::kMin, kTempOutLo, kTempOut, 1},
    {"TempExt", "Max", Kind::kMax, kTempOutHi, kTempOut, 1},
    {"TempExt", "Moy", Kind::kMean, kTempOut, kTempOut, 1},
    {"HumExt", "Min", Kind::kMin, kHumOut, kHumOut, -1},
    {"HumExt", "Max", Kind::kMax, kHumOut, kHumOut, -1},
    {"PressionAtmo", "Min", Kind::kMin, kPressure, kPressure, 2},
    {"PressionAtmo", "Max", Kind::kMax, kPressure, kPressure, 2},
    {"VitesseVent", "Moy", Kind::kMean, kWindAvg, kWindAvg, 1},
    {"RafaleVent", "Max", Kind::kMax, kWindHi, kWindHi, 1},
    {"Pluie", "Total", Kind::kTotal, kRain, kRain, 1},
    {"RadiationSolaire", "Max", Kind::kMax, kSolar, kSolar, -1},
    {"UVSolaire", "Max", Kind::kMax, kUv, kUv, -1},
    {"EvapoTranspiration", "Total", Kind::kTotal, kEt, kEt, 2},
};

std::string NameOf(const Period& period, const Quantity& quantity) {
  return std::string("Histo_") + period.name + "_" + quantity.name + "_" + quantity.statistic;
}

bool Dated(const Quantity& quantity) {
  return quantity.kind == Kind::kMin || quantity.kind == Kind::kMax;
}

std::string Number(double value, int decimals) {
  return decimals < 0 ? FormatFloatAsWhole(static_cast<float>(value))
                      : FormatDecimal(value, decimals);
}

std::string ReadingDate(std::int64_t reading) {
  return DateText(platform::BreakDownUtc(reading));
}

constexpr const char* kExtentTags[] = {"Histo_NombreEnregistrements", "Histo_Premier",
                                       "Histo_Dernier"};

}  // namespace

HistoryTags::HistoryTags(const HistoryClock& clock) : clock_(clock) {
  static_assert(std::size(kPeriods) == kPeriodCount && std::size(kQuantities) <= kStatisticCount);
  const platform::LocalTime now = platform::BreakDownUtc(clock.now_reading);
  year_start_reading_ = DaysFromCivil(now.year, 1, 1) * 86400;
}

void HistoryTags::Add(const HistoryRecord& record) {
  if (record.time_utc > clock_.now_utc) return;
  for (std::size_t p = 0; p < kPeriodCount; ++p) {
    const std::int64_t span = kPeriods[p].seconds;
    // A record belongs to the year its period starts in: the one stamped 00:00 on the first
    // of January closes the year before.
    const bool inside = span > 0 ? record.time_utc > clock_.now_utc - span
                                 : record.reading - 60 >= year_start_reading_;
    if (!inside) continue;
    for (std::size_t q = 0; q < std::size(kQuantities); ++q) {
      const Quantity& quantity = kQuantities[q];
      const HistoryField field = record.Has(quantity.field) ? quantity.field : quantity.fallback;
      if (!record.Has(field)) continue;
      const double value = record.values[field];
      Statistic& s = periods_[p][q];
      const bool better = s.count == 0 || (quantity.kind == Kind::kMin && value < s.best) ||
                          (quantity.kind == Kind::kMax && value > s.best);
      if (better) {
        s.best = value;
        s.reading = record.reading;
      }
      s.sum += value;
      ++s.count;
    }
  }
}

std::vector<std::pair<std::string, std::string>> HistoryTags::Texts(
    const StoreExtent& extent) const {
  std::vector<std::pair<std::string, std::string>> texts;
  for (std::size_t p = 0; p < kPeriodCount; ++p) {
    for (std::size_t q = 0; q < std::size(kQuantities); ++q) {
      const Quantity& quantity = kQuantities[q];
      const Statistic& s = periods_[p][q];
      std::string name = NameOf(kPeriods[p], quantity);
      std::string text = kPlaceholderText;
      if (s.count > 0) {
        switch (quantity.kind) {
          case Kind::kMin:
          case Kind::kMax:
            text = Number(s.best, quantity.decimals);
            break;
          case Kind::kMean:
            text = Number(s.sum / static_cast<double>(s.count), quantity.decimals);
            break;
          case Kind::kTotal:
            text = Number(s.sum, quantity.decimals);
            break;
        }
      }
      if (Dated(quantity))
        texts.emplace_back(name + "_Date", s.count > 0 ? ReadingDate(s.reading) : kPlaceholderText);
      texts.emplace_back(std::move(name), std::move(text));
    }
  }
  const bool any = extent.count > 0;
  texts.emplace_back(kExtentTags[0], FormatWholeNumber(extent.count));
  texts.emplace_back(kExtentTags[1], any ? StampDateText(extent.oldest_local) : kPlaceholderText);
  texts.emplace_back(kExtentTags[2], any ? StampDateText(extent.newest_local) : kPlaceholderText);
  return texts;
}

std::vector<std::string> HistoryTags::Names() {
  std::vector<std::string> names;
  for (const Period& period : kPeriods) {
    for (const Quantity& quantity : kQuantities) {
      const std::string name = NameOf(period, quantity);
      if (Dated(quantity)) names.push_back(name + "_Date");
      names.push_back(name);
    }
  }
  for (const char* name : kExtentTags) names.emplace_back(name);
  return names;
}

}  // namespace agent
