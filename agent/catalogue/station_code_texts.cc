#include "agent/catalogue/station_code_texts.h"

#include <iterator>
#include <span>

#include "agent/catalogue/number_forms.h"
#include "agent/catalogue/value_catalogue.h"

namespace agent {
namespace {

// Index 0 of the list is code `first`.
std::string FromList(std::span<const char* const> texts, std::int32_t first, std::int32_t code,
                     const std::string& other) {
  std::int64_t index = static_cast<std::int64_t>(code) - first;
  return index >= 0 && index < static_cast<std::int64_t>(texts.size()) ? texts[index] : other;
}

constexpr const char* kWindCups[] = {"Petite", "Large", "Autre"};
constexpr const char* kModels[] = {"OrbiskPro / OrbiskPro2 / Tessor / Tessor2", "OrbiskMira"};
constexpr const char* kRainCollectors[] = {"ENGLISH 10 (10ème de pouce)",
                                           "ENGLISH 100 (100ème de pouce)",
                                           "METRIC 5 (5ème de millimètre)",
                                           "METRIC 1 (1 millimètre)",
                                           "ENGLISH OTHER (unité en pouce générique)",
                                           "METRIC OTHER (unité en millimètre générique)",
                                           "METRIC 10 (10ème de millimètre)"};
constexpr const char* kArchiveTypes[] = {"Ponctuel", "Moyenne"};
constexpr const char* kYesNo[] = {"Non", "Oui"};
constexpr const char* kOnOff[] = {"Désactivé", "Activé"};
constexpr const char* kTransmitterTypes[] = {
    "Pas de transmetteur",
    "Station ISS",
    "Station de température",
    "Station d'humidité / température",
    "Station ISS en mode température seul",
    "Station ISS en mode humdité / température seulement",
    "Station d'humiditié et/ou température en mode station ISS",
    "Transmetteur d'anémomètre",
    "Transmetteur d'humidité et température du feuillage",
    "Transmetteur humidité / température du sol",
    "Station Foliaire / Humus",
    "Transmetteur Telemix",
    "Console en mode retransimission"};
constexpr const char* kTimeZones[] = {
    "Eniwetok, Kwajalein. (-12:00)",
    "Midway Island, Samoa. (-11:00)",
    "Hawaii. (-10:00)",
    "Alaska. (-09:00)",
    "Pacific Time, Tijuana. (-08:00)",
    "Mountain Time. (-07:00)",
    "Central Time. (-06:00)",
    "Mexico City. (-06:00)",
    "Central America. (-06:00)",
    "Bogota, Lima, Quito. (-05:00)",
    "Eastern Time. (-05:00)",
    "Atlantic Time. (-04:00)",
    "Caracas, La Paz, Santiago. (-04:00)",
    "Newfoundland. (-03:30)",
    "Brasilia. (-03:00)",
    "Buenos Aires, Georgetown, Greenland. (-03:00)",
    "Mid-Atlantic. (-02:00)",
    "Azores, Cape Verde Is.. (-01:00)",
    "Greenwich Mean Time, Dublin, Edinburgh, Lisbon, London. (00:00)",
    "Monrovia, Casablanca. (\u00a000:00)",
    "Berlin, Rome, Amsterdam, Bern, Stockholm, Vienna. (+01:00)",
    "Paris, Madrid, Brussels, Copenhagen, W Central Africa. (+01:00)",
    "Prague, Belgrade, Bratislava, Budapest, Ljubljana. (+01:00)",
    "Athens, Helsinki, Istanbul, Minsk, Riga, Tallinn. (+02:00)",
    "Cairo. (+02:00)",
    "Eastern Europe, Bucharest. (+02:00)",
    "Harare, Pretoria. (+02:00)",
    "Israel, Jerusalem. (+02:00)",
    "Baghdad, Kuwait, Nairobi, Riyadh. (+03:00)",
    "Moscow, St. Petersburg, Volgograd. (+03:00)",
    "Tehran. (+03:30)",
    "Abu Dhabi, Muscat, Baku, Tblisi, Yerevan, Kazan. (+04:00)",
    "Kabul. (+04:30)",
    "Islamabad, Karachi, Ekaterinburg, Tashkent. (+05:00)",
    "Bombay, Calcutta, Madras, New Delhi, Chennai. (+05:30)",
    "Almaty, Dhaka, Colombo, Novosibirsk, Astana. (+06:00)",
    "Bangkok, Jakarta, Hanoi, Krasnoyarsk. (+07:00)",
    "Beijing, Chongqing, Urumqi, Irkutsk, Ulaan Bataar. (+08:00)",
    "Hong Kong, Perth, Singapore, Taipei, Kuala Lumpur. (+08:00)",
    "Tokyo, Osaka, Sapporo, Seoul, Yakutsk. (+09:00)",
    "Adelaide. (+09:30)",
    "Darwin. (+09:30)",
    "Brisbane, Melbourne, Sydney, Canberra. (+10:00)",
    "Hobart, Guam, Port Moresby, Vladivostok. (+10:00)",
    "Magadan, Solomon Is, New Caledonia. (+11:00)",
    "Fiji, Kamchatka, Marshall Is.. (+12:00)",
    "Wellington, Auckland. (+12:00)"};

}  // namespace

std::string WindCupText(std::int32_t code) {
  return FromList(kWindCups, 1, code, kPlaceholderText);
}
std::string StationModelText(std::int32_t model) {
  return FromList(kModels, 16, model, kPlaceholderText);
}
std::string RainCollectorText(std::int32_t code) {
  return FromList(kRainCollectors, 0, code, "");
}
std::string ArchiveTypeText(std::int32_t type) {
  return FromList(kArchiveTypes, 1, type, FormatWholeNumber(type));
}
std::string YesNoText(std::int32_t flag) {
  return FromList(kYesNo, 0, flag, FormatWholeNumber(flag));
}
std::string OnOffText(std::int32_t flag) {
  return FromList(kOnOff, 0, flag, FormatWholeNumber(flag));
}
std::string TransmitterTypeText(std::int32_t type) {
  return FromList(kTransmitterTypes, 0, type, "");
}
std::string TimeZoneText(std::int32_t index) {
  return FromList(kTimeZones, 0, index, "");
}

}  // namespace agent
