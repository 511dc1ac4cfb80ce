#include "agent/families/current_data.h"

#include <cmath>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "agent/acquisition/station_calls.h"
#include "agent/catalogue/beaufort.h"
#include "agent/catalogue/forecast_codes.h"
#include "agent/catalogue/number_forms.h"
#include "agent/catalogue/station_time.h"
#include "agent/catalogue/station_values.h"
#include "agent/catalogue/value_catalogue.h"
#include "agent/catalogue/wind_and_trend_texts.h"
#include "agent/families/rain_scale.h"

namespace agent {
namespace {

enum class Group { kEveryCall, kTempHumBar };
enum class Source { kFloatGetter, kWordGetter, kById };
enum class Conversion { kNone, kRound, kFahrenheit, kFahrenheitRound, kInHg, kMphRound, kRain };

struct ReadRow {
  int slot;
  Source source;
  Export getter;  // GetCurrentDataByID for kById
  std::int32_t id;
  Conversion conversion;
};

// Numbered sensors: `count` rows from `first`, slot and identifier stepping by one.
struct NumberedRead {
  int first_slot;
  int count;
  std::int32_t first_id;
  Conversion conversion;
};

constexpr ReadRow kEveryCallReads[] = {
    {kWindSpeed, Source::kFloatGetter, Export::kGetWindSpeed, 0, Conversion::kMphRound},
    {kWindDirection, Source::kWordGetter, Export::kGetWindDir, 0, Conversion::kNone},
    {kRainRate, Source::kFloatGetter, Export::kGetRainRate, 0, Conversion::kRain},
};

constexpr ReadRow kTempHumBarReads[] = {
    {kInsideTemp, Source::kFloatGetter, Export::kGetInsideTemp, 0, Conversion::kFahrenheit},
    {kOutsideTemp, Source::kFloatGetter, Export::kGetOutsideTemp, 0, Conversion::kFahrenheit},
    {kInsideHumidity, Source::kWordGetter, Export::kGetInsideHumidity, 0, Conversion::kNone},
    {kOutsideHumidity, Source::kWordGetter, Export::kGetOutsideHumidity, 0, Conversion::kNone},
    {kBarometer, Source::kFloatGetter, Export::kGetBarometer, 0, Conversion::kInHg},
    {kWindChill, Source::kFloatGetter, Export::kGetWindChill, 0, Conversion::kFahrenheit},
    {kDewPoint, Source::kFloatGetter, Export::kGetDewPt, 0, Conversion::kFahrenheit},
    {kDailyRain, Source::kFloatGetter, Export::kGetDailyRain, 0, Conversion::kRain},
    {kMonthlyRain, Source::kFloatGetter, Export::kGetMonthlyRain, 0, Conversion::kRain},
    {kStormRain, Source::kFloatGetter, Export::kGetStormRain, 0, Conversion::kRain},
    {kTotalRain, Source::kFloatGetter, Export::kGetTotalRain, 0, Conversion::kRain},
    {kWind2MinAverage, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdWind2MinAverage,
     Conversion::kMphRound},
    {kWind10MinAverage, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdWind10MinAverage,
     Conversion::kMphRound},
    {kGust10Min, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdWindGust10Min,
     Conversion::kMphRound},
    {kLastHourRain, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdLastHourRain,
     Conversion::kRain},
    {kLast24HourRain, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdLast24HourRain,
     Conversion::kRain},
    {kSolarRadiation, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdSolarRadiation,
     Conversion::kRound},
    {kUvIndex, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdUv, Conversion::kRound},
    {kThswIndex, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdThswIndex,
     Conversion::kFahrenheitRound},
    {kThwIndex, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdThwIndex,
     Conversion::kFahrenheitRound},
    {kHeatIndex, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdHeatIndex,
     Conversion::kFahrenheit},
    {kAltimeter, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdAltimeter,
     Conversion::kRound},
    {kDayEt, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdDayEt, Conversion::kNone},
    {kMonthEt, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdMonthEt, Conversion::kNone},
    {kYearEt, Source::kById, Export::kGetCurrentDataByID, kOrbiskIdYearEt, Conversion::kNone},
};

constexpr NumberedRead kNumberedReads[] = {
    {kExtraTemp1, 7, kOrbiskIdExtraTemp1, Conversion::kFahrenheit},
    {kExtraHumidity1, 7, kOrbiskIdExtraHumidity1, Conversion::kRound},
    {kSoilMoisture1, 4, kOrbiskIdSoilMoisture1, Conversion::kNone},
    {kSoilTemp1, 4, kOrbiskIdSoilTemp1, Conversion::kFahrenheit},
    {kLeafWetness1, 2, kOrbiskIdLeafWetness1, Conversion::kNone},
    {kLeafTemp1, 2, kOrbiskIdLeafTemp1, Conversion::kFahrenheit},
};

constexpr std::int32_t kWindSectorId = kOrbiskIdWindSector;
constexpr std::int32_t kTrendId = kOrbiskIdBarTrend;
constexpr std::int32_t kForecastTextId = kOrbiskIdForecastRule;
constexpr std::int32_t kForecastIconId = kOrbiskIdForecastIcon;

float Rounded(float value) {
  return static_cast<float>(RoundHalfEven(value));
}

float Convert(float value, Conversion conversion, std::int32_t rain_collector) {
  switch (conversion) {
    case Conversion::kNone:
      return value;
    case Conversion::kRound:
      return Rounded(value);
    case Conversion::kFahrenheit:
      return ConvertFahrenheitToCelsius(value);
    case Conversion::kFahrenheitRound:
      return Rounded(ConvertFahrenheitToCelsius(value));
    case Conversion::kInHg:
      return ConvertInHgToHectopascal(value);
    case Conversion::kMphRound:
      return ConvertMphToKmh(static_cast<std::int32_t>(RoundHalfEven(value)));
    case Conversion::kRain:
      return ScaleRain(value, rain_collector);
  }
  return value;
}

float ReadValue(StationLibrary& library, const ReadRow& row) {
  switch (row.source) {
    case Source::kFloatGetter:
      return library.CallStationFloat(row.getter);
    case Source::kWordGetter:
      return library.CallStationWord(row.getter);
    case Source::kById:
      return GetCurrentDataByID(library, row.id, 0);
  }
  return 0;
}

void ReadRows(StationLibrary& library, std::span<const ReadRow> rows, FamilySlots& slots) {
  for (const ReadRow& row : rows)
    slots.current.values[row.slot] =
        Convert(ReadValue(library, row), row.conversion, slots.configuration.rain_collector);
}

std::int64_t NowSeconds(AgentContext& context) {
  return context.env().MonotonicMs() / 1000;
}

bool GroupDue(AgentContext& context, CurrentDataSlots& slots, std::string_view group) {
  auto found = slots.group_due.find(group);
  return found == slots.group_due.end() || NowSeconds(context) >= found->second;
}

void Reschedule(AgentContext& context, CurrentDataSlots& slots, const std::string& group) {
  slots.group_due[group] = NowSeconds(context) + context.SettingNumber("CURRENTDATA", group);
}

OrbiskDateTime UnsetRecord() {
  return OrbiskDateTime{-1, -1, -1, -1, -1};
}

}  // namespace

int AcquireCurrentData(AgentContext& context, StationLibrary& library, FamilySlots& slots) {
  if (library.CallStationWord(Export::kLoadCurrentOrbiskData) != 1) return 0;
  CurrentDataSlots& current = slots.current;
  OrbiskDateTime station_time{};
  int result = GetStationTime(library, station_time);
  const bool temp_hum_bar_due = GroupDue(context, current, "TempHumBar");
  const bool forecast_due = GroupDue(context, current, "ForeCast");
  const bool sun_due = GroupDue(context, current, "SunSetSunRise");

  ReadRows(library, kEveryCallReads, slots);
  current.wind_sector = GetCurrentDataStrByID(library, kWindSectorId, 10);

  if (temp_hum_bar_due) {
    ReadRows(library, kTempHumBarReads, slots);
    current.trend = GetCurrentDataStrByID(library, kTrendId, 50);
    for (const NumberedRead& sensors : kNumberedReads) {
      for (int n = 0; n < sensors.count; ++n) {
        ReadRow row{sensors.first_slot + n, Source::kById, Export::kGetCurrentDataByID,
                    sensors.first_id + n * kOrbiskIdSensorStep, sensors.conversion};
        ReadRows(library, {&row, 1}, slots);
      }
    }
    Reschedule(context, current, "TempHumBar");
  }
  if (forecast_due) {
    current.forecast_codes =
        ForecastTextToCodes(GetCurrentDataStrByID(library, kForecastTextId, 350));
    current.values[kForecastIcon] = Rounded(GetCurrentDataByID(library, kForecastIconId, 0));
    Reschedule(context, current, "ForeCast");
  }
  if (sun_due) {
    // A read that leaves a record alone must not publish a stale or zero time.
    current.sunrise = UnsetRecord();
    current.sunset = UnsetRecord();
    library.CallStationWord(Export::kGetSunriseTime, {static_cast<void*>(&current.sunrise)});
    result = static_cast<std::uint8_t>(
        library.CallStationWord(Export::kGetSunsetTime, {static_cast<void*>(&current.sunset)}));
    Reschedule(context, current, "SunSetSunRise");
  }
  return result;
}

namespace {

enum class Form { kOneDecimal, kTwoDecimals, kWhole, kRoundedWhole };
// What else the step does once its tag was written.
enum class Step { kNone, kWindMs, kBeaufort, kWindRose, kRainIcon };

struct PublishRow {
  std::string_view tag;
  int slot;
  Form form;
  Step step;
};

struct NumberedPublish {
  std::string_view prefix;  // tag prefix, sensor number appended
  int first_slot;
  int count;
  Form form;
};

constexpr PublishRow kLeadingTags[] = {
    {"TempInt", kInsideTemp, Form::kOneDecimal, Step::kNone},
    {"TempExt", kOutsideTemp, Form::kOneDecimal, Step::kNone},
    {"HumInt", kInsideHumidity, Form::kWhole, Step::kNone},
    {"HumExt", kOutsideHumidity, Form::kWhole, Step::kNone},
    {"VitesseVent", kWindSpeed, Form::kOneDecimal, Step::kWindMs},
    {"VitesseMoyenneVent2mins", kWind2MinAverage, Form::kOneDecimal, Step::kNone},
    {"VitesseMoyenneVent10mins", kWind10MinAverage, Form::kOneDecimal, Step::kBeaufort},
    {"VitesseRafaleMoyenneVent10mins", kGust10Min, Form::kOneDecimal, Step::kNone},
};

// After the wind sector texts.
constexpr PublishRow kMiddleTags[] = {
    {"DirectionVent", kWindDirection, Form::kWhole, Step::kWindRose},
    {"PressionAtmo", kBarometer, Form::kTwoDecimals, Step::kNone},
};

// After the trend text.
constexpr PublishRow kTrailingTags[] = {
    {"TempRessentie", kWindChill, Form::kOneDecimal, Step::kNone},
    {"IndiceChaleur", kHeatIndex, Form::kOneDecimal, Step::kNone},
    {"PointRose", kDewPoint, Form::kOneDecimal, Step::kNone},
    {"PluieDuJour", kDailyRain, Form::kOneDecimal, Step::kNone},
    {"PluieMoyenne", kRainRate, Form::kOneDecimal, Step::kRainIcon},
    {"PluieDuMois", kMonthlyRain, Form::kOneDecimal, Step::kNone},
    {"PluieDeLaSaison", kStormRain, Form::kOneDecimal, Step::kNone},
    {"PluieTotal", kTotalRain, Form::kOneDecimal, Step::kNone},
    {"PluieDernierreHeure", kLastHourRain, Form::kOneDecimal, Step::kNone},
    {"PluieDernierre24Heures", kLast24HourRain, Form::kOneDecimal, Step::kNone},
    {"UVSolaire", kUvIndex, Form::kWhole, Step::kNone},
    {"RadiationSolaire", kSolarRadiation, Form::kWhole, Step::kNone},
    {"IndexTHW", kThwIndex, Form::kOneDecimal, Step::kNone},
    {"IndexTHSW", kThswIndex, Form::kOneDecimal, Step::kNone},
};

constexpr NumberedPublish kNumberedTags[] = {
    {"ExtraTemp_", kExtraTemp1, 7, Form::kOneDecimal},
    {"ExtraHum_", kExtraHumidity1, 7, Form::kWhole},
    {"TempSol_", kSoilTemp1, 4, Form::kOneDecimal},
    {"HumSol_", kSoilMoisture1, 4, Form::kRoundedWhole},
    {"TempFeuillage_", kLeafTemp1, 2, Form::kOneDecimal},
    {"HumFeuillage_", kLeafWetness1, 2, Form::kRoundedWhole},
};

// Evapotranspiration: inches as the library gives them, published in mm.
constexpr std::pair<std::string_view, int> kEtTags[] = {
    {"ETJour", kDayEt}, {"ETMois", kMonthEt}, {"ETAnnee", kYearEt}};
constexpr float kMillimetresPerInch = 25.4f;

bool Valid(float value) {
  return IsValidStationValue(value) == 1;
}

std::string Formatted(float value, Form form) {
  switch (form) {
    case Form::kOneDecimal:
      return FormatDecimal(value, 1);
    case Form::kTwoDecimals:
      return FormatDecimal(value, 2);
    case Form::kWhole:
    case Form::kRoundedWhole:
      return FormatFloatAsWhole(value);
  }
  return {};
}

// The number a text starts with (0 when it starts with none), for the validity test.
float LeadingNumber(const std::string& text) {
  return std::strtof(text.c_str(), nullptr);
}

class CurrentDataBuilder {
 public:
  CurrentDataBuilder(AgentContext& context, const FamilySlots& slots,
                     const CurrentDataImages& images)
      : context_(context),
        catalogue_(context.state.catalogue),
        current_(slots.current),
        images_(images) {}

  void Run() {
    PublishRows(kLeadingTags);
    PublishWindSector();
    PublishRows(kMiddleTags);
    PublishTrend();
    PublishRows(kTrailingTags);
    PublishAltimeter();
    for (const NumberedPublish& sensors : kNumberedTags)
      for (int n = 0; n < sensors.count; ++n)
        Publish(std::string(sensors.prefix) + std::to_string(n + 1), sensors.first_slot + n,
                sensors.form, Step::kNone);
    PublishForecastAndSun();
    for (const auto& [tag, slot] : kEtTags) {
      float inches = current_.values[slot];
      if (Valid(inches)) SetTag(catalogue_, tag, FormatDecimal(inches * kMillimetresPerInch, 2));
    }
  }

 private:
  void PublishRows(std::span<const PublishRow> rows) {
    for (const PublishRow& row : rows) Publish(row.tag, row.slot, row.form, row.step);
  }

  void Publish(std::string_view tag, int slot, Form form, Step step) {
    float value = current_.values[slot];
    if (!Valid(value)) return;
    SetTag(catalogue_, tag, Formatted(value, form));
    std::int32_t whole = static_cast<std::int32_t>(RoundHalfEven(value));
    switch (step) {
      case Step::kNone:
        break;
      case Step::kWindMs:
        SetTag(catalogue_, "VitesseVentMs", FormatDecimal(ConvertKmhToMs(whole), 2));
        break;
      case Step::kBeaufort: {
        int b = BeaufortIndex(whole);
        SetTag(catalogue_, "IndiceBeaufort", FormatWholeNumber(b));
        SetTag(catalogue_, "TexteActiviteVent", BeaufortActivityText(b));
        SetTag(catalogue_, "DescriptionIndiceBeaufortMer", BeaufortSeaText(b));
        SetTag(catalogue_, "DescriptionIndiceBeaufortTerre", BeaufortLandText(b));
        break;
      }
      case Step::kWindRose:
        if (images_.wind_rose) images_.wind_rose(whole);
        break;
      case Step::kRainIcon:
        if (images_.rain_icon) images_.rain_icon(value);
        break;
    }
  }

  void PublishWindSector() {
    if (!Valid(LeadingNumber(current_.wind_sector))) return;
    SetTag(catalogue_, "SecteurVent", current_.wind_sector);
    SetTag(catalogue_, "TexteSecteurVent", WindSectorName(current_.wind_sector));
  }

  void PublishTrend() {
    if (!Valid(LeadingNumber(current_.trend))) return;
    SetTag(catalogue_, "TendancePressionAtmo", PressureTrendText(current_.trend));
    if (images_.trend_icon) images_.trend_icon(current_.trend);
  }

  // The library's altimeter setting in hundredths, kept as the site pages know it.
  void PublishAltimeter() {
    float altimeter = current_.values[kAltimeter];
    if (!Valid(altimeter)) return;
    float hundreds = std::floor(altimeter / 100.0f);
    SetTag(catalogue_, "Altimetre", FormatDecimal(ConvertFeetToMetres(hundreds), 0));
  }

  void PublishForecastAndSun() {
    std::string message;
    std::string_view codes = current_.forecast_codes;
    for (std::size_t end; (end = codes.find(';')) != std::string_view::npos;
         codes.remove_prefix(end + 1))
      message += " " + context_.language.Lookup("PREV_METEO_" + std::string(codes.substr(0, end)));
    SetTag(catalogue_, "MessagePrevision", message);
    float icon = current_.values[kForecastIcon];
    SetTag(catalogue_, "IDIconeForeCast", FormatFloatAsWhole(icon));
    if (images_.forecast_icon) images_.forecast_icon(static_cast<int>(RoundHalfEven(icon)));
    if (images_.severe_cold_icon) {
      float thsw = current_.values[kThswIndex];
      float thw = current_.values[kThwIndex];
      images_.severe_cold_icon(thsw, Valid(thsw), thw, Valid(thw));
    }
    SetTag(catalogue_, "LeveeSoleil", FormatStationDateTime(current_.sunrise, kArgumentAbsent));
    SetTag(catalogue_, "CoucheSoleil", FormatStationDateTime(current_.sunset, kArgumentAbsent));
  }

  AgentContext& context_;
  ValueCatalogue& catalogue_;
  const CurrentDataSlots& current_;
  const CurrentDataImages& images_;
};

}  // namespace

void PublishCurrentData(AgentContext& context, const FamilySlots& slots,
                        const CurrentDataImages& images) {
  CurrentDataBuilder(context, slots, images).Run();
}

}  // namespace agent
