#include "agent/families/highs_lows.h"

#include <string>
#include <string_view>
#include <vector>

#include "agent/catalogue/number_forms.h"
#include "agent/catalogue/station_time.h"
#include "agent/catalogue/station_values.h"
#include "agent/catalogue/value_catalogue.h"
#include "agent/families/rain_scale.h"

namespace agent {
namespace {

enum class Kind {
  kTemperature,       // float, F to C, 1 decimal
  kWhole,             // rounded at reading, whole
  kWholeTemperature,  // rounded at reading, F to C, 1 decimal
  kRoundedWhole,      // float, rounded, whole
  kRain,              // float, rain scale, 1 decimal
  kBarometer,         // float, inHg to hPa, 2 decimals
  kWind,              // float, rounded mph to km/h, 1 decimal
};

// Which extremes the console is asked for.
enum Reads : int { kHighs = 1, kLows = 2, kBoth = 3 };

struct Quantity {
  std::string name;
  std::int32_t base_id;
  Kind kind;
  int reads;
};

std::vector<Quantity> BuildQuantities() {
  std::vector<Quantity> quantities = {{"TempInt", kOrbiskIdInsideTemp, Kind::kTemperature, kBoth},
                                      {"TempExt", kOrbiskIdOutsideTemp, Kind::kTemperature, kBoth}};
  auto numbered = [&quantities](const char* prefix, int count, std::int32_t first_id, Kind kind,
                                int first_number) {
    for (int n = 0; n < count; ++n)
      quantities.push_back({prefix + std::to_string(first_number + n),
                            first_id + n * kOrbiskIdSensorStep, kind, kBoth});
  };
  numbered("Temp", 7, kOrbiskIdExtraTemp1, Kind::kTemperature, 2);
  quantities.push_back({"HumInt", kOrbiskIdInsideHumidity, Kind::kWhole, kBoth});
  quantities.push_back({"HumExt", kOrbiskIdOutsideHumidity, Kind::kWhole, kBoth});
  numbered("Hum", 7, kOrbiskIdExtraHumidity1, Kind::kWhole, 2);
  numbered("HumSol", 4, kOrbiskIdSoilMoisture1, Kind::kWhole, 1);
  numbered("TempSol", 4, kOrbiskIdSoilTemp1, Kind::kTemperature, 1);
  numbered("HumFeuille", 2, kOrbiskIdLeafWetness1, Kind::kWhole, 1);
  numbered("TempFeuille", 2, kOrbiskIdLeafTemp1, Kind::kWholeTemperature, 1);
  const Quantity rest[] = {
      {"UV", kOrbiskIdUv, Kind::kRoundedWhole, kHighs},
      {"Pluie", kOrbiskIdRainRate, Kind::kRain, kHighs},
      {"Bar", kOrbiskIdBarometer, Kind::kBarometer, kBoth},
      {"SolarRad", kOrbiskIdSolarRadiation, Kind::kWhole, kHighs},
      {"VitesseVent", kOrbiskIdWindSpeed, Kind::kWind, kHighs},
      {"IndiceTHSW", kOrbiskIdThswIndex, Kind::kTemperature, kHighs},
      {"IndChaleur", kOrbiskIdHeatIndex, Kind::kTemperature, kHighs},
      {"PointRose", kOrbiskIdDewPoint, Kind::kTemperature, kBoth},
      {"TempRess", kOrbiskIdWindChill, Kind::kTemperature, kLows},
  };
  quantities.insert(quantities.end(), std::begin(rest), std::end(rest));
  return quantities;
}

const std::vector<Quantity>& Quantities() {
  static const std::vector<Quantity> kQuantities = BuildQuantities();
  return kQuantities;
}

struct PeriodSlot {
  std::int32_t code;
  std::string_view period;  // "Day_", "Month_", "Year_"
  std::string_view suffix;  // "_VH", "_VB"
  bool high;
  bool timed;
};

// In the order of the slots of a quantity.
constexpr PeriodSlot kPeriodSlots[kHighLowPeriodSlots] = {
    {kOrbiskPeriodDayHigh, "Day_", "_VH", true, true},
    {kOrbiskPeriodDayLow, "Day_", "_VB", false, true},
    {kOrbiskPeriodMonthHigh, "Month_", "_VH", true, false},
    {kOrbiskPeriodMonthLow, "Month_", "_VB", false, false},
    {kOrbiskPeriodYearHigh, "Year_", "_VH", true, false},
    {kOrbiskPeriodYearLow, "Year_", "_VB", false, false}};

bool IsRead(const Quantity& quantity, const PeriodSlot& slot) {
  return (quantity.reads & (slot.high ? kHighs : kLows)) != 0;
}

bool RoundedAtReading(Kind kind) {
  return kind == Kind::kWhole || kind == Kind::kWholeTemperature;
}

std::string Formatted(float value, Kind kind, std::int32_t rain_collector) {
  switch (kind) {
    case Kind::kTemperature:
    case Kind::kWholeTemperature:
      return FormatDecimal(ConvertFahrenheitToCelsius(value), 1);
    case Kind::kWhole:
    case Kind::kRoundedWhole:
      return FormatFloatAsWhole(value);
    case Kind::kRain:
      return FormatDecimal(ScaleRain(value, rain_collector), 1);
    case Kind::kBarometer:
      return FormatDecimal(ConvertInHgToHectopascal(value), 2);
    case Kind::kWind:
      return FormatDecimal(ConvertMphToKmh(static_cast<std::int32_t>(RoundHalfEven(value))), 1);
  }
  return {};
}

}  // namespace

int AcquireHighsLows(StationLibrary& library, FamilySlots& slots) {
  if (library.CallStationWord(Export::kLoadOrbiskHiLows) != 1) return 0;
  HighLowSlots& highs_lows = slots.highs_lows;
  for (std::size_t q = 0; q < Quantities().size(); ++q) {
    const Quantity& quantity = Quantities()[q];
    for (int s = 0; s < kHighLowPeriodSlots; ++s) {
      const PeriodSlot& slot = kPeriodSlots[s];
      if (!IsRead(quantity, slot)) continue;
      std::int32_t id = quantity.base_id + slot.code;
      float value = library.CallStationFloat(Export::kGetHiLowDataByID, {id});
      if (RoundedAtReading(quantity.kind)) value = static_cast<float>(RoundHalfEven(value));
      highs_lows.values[q][s] = value;
      if (slot.timed) {
        OrbiskDateTime& time = highs_lows.day_times[q][s];
        time = OrbiskDateTime{-1, -1, -1, -1, -1};  // a time left alone reads as "---"
        library.CallStationWord(Export::kGetHiLowTimeByID, {id, static_cast<void*>(&time)});
      }
    }
  }
  return 1;
}

void PublishHighsLows(AgentContext& context, const FamilySlots& slots) {
  ValueCatalogue& catalogue = context.state.catalogue;
  const std::int32_t rain_collector = slots.configuration.rain_collector;
  // Periods in order, then quantities, high before low.
  for (int first = 0; first < kHighLowPeriodSlots; first += 2) {
    for (std::size_t q = 0; q < Quantities().size(); ++q) {
      const Quantity& quantity = Quantities()[q];
      for (int s = first; s < first + 2; ++s) {
        const PeriodSlot& slot = kPeriodSlots[s];
        float value = slots.highs_lows.values[q][s];
        if (!IsRead(quantity, slot) || IsValidStationValue(value) != 1) continue;
        std::string tag =
            "HiLow_" + std::string(slot.period) + quantity.name + std::string(slot.suffix);
        SetTag(catalogue, tag, Formatted(value, quantity.kind, rain_collector));
        if (slot.timed)
          SetTag(catalogue, tag + "_Date",
                 FormatStationDateTime(slots.highs_lows.day_times[q][s], 2));
      }
    }
  }
}

}  // namespace agent
