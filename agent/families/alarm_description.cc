#include "agent/families/alarm_description.h"

#include <charconv>

namespace agent {
namespace {

struct Description {
  std::string_view name;  // upper case
  int count;              // 1, or the number of sensors of an indexed family
  std::string_view text;
};

// The texts are published as the site pages know them, spelling included.
constexpr Description kDescriptions[] = {
    {"BARRISE", 1, "Hausse du baromètre"},
    {"BARFALL", 1, "Baisse du baromètre"},
    {"TIME", 1, "Date"},
    {"TIMESTR", 1, "Date texte"},
    {"INSIDELOWTEMP", 1, "Température intérieur en baisse"},
    {"INSIDEHITEMP", 1, "Température intérieur en hausse"},
    {"OUTSIDELOWTEMP", 1, "Température extérieur en baisse"},
    {"OUTSIDEHITEMP", 1, "Température extérieur en hausse"},
    {"LOWINSIDEHUM", 1, "Humidité intérieur en baisse"},
    {"HIINSIDEHUM", 1, "Humidité intérieur en hausse"},
    {"LOWOUTSIDEHUM", 1, "Humidité extérieur en baisse"},
    {"HIOUTSIDEHUM", 1, "Humidité extérieur en hausse"},
    {"LOWWINDCHILL", 1, "Température ressentis en baisse"},
    {"LOWDEWPT", 1, "Point de rosé en baisse"},
    {"HIDEWPT", 1, "Point de rosé en hausse"},
    {"HISOLARRAD", 1, "Rayonnement solaire en hausse"},
    {"HIWINDSPEED", 1, "Vitesse du vent en hausse"},
    {"HI10MINWINDSPEED", 1, "Vitesse moyenne du vent sur 10 minutes en hause"},
    {"HIHEATINDEX", 1, "Chaleur ressentis en hausse"},
    {"HITHSW", 1, "Indice THSV en hausse"},
    {"HIRAINRATE", 1, "Vitesse de précipitation de la pluie en hausse"},
    {"HIDAILYRAIN", 1, "Quantité de pluie par jour en hausse"},
    {"HIRAINSTORM", 1, "Quantité de pluie pour la saison des pluies en hausse"},
    {"FLASHFLOOD", 1, "risque d'inondation"},
    {"HIUV", 1, "Index UV en hause"},
    {"HIUVMED", 1, "Quantité d'UV en hausse"},
    {"LOWEXTRATEMP", 7, "Température extérieur en baisse"},
    {"HIEXTRATEMP", 7, "Température extérieur en hausse"},
    {"LOWEXTRAHUM", 7, "Humidité extérieur en baisse"},
    {"HIEXTRAHUM", 7, "Humidité extérieur en hausse"},
    {"LOWSOILTEMP", 4, "Température du sol en baisse"},
    {"HISOILTEMP", 4, "Température du sol en hausse"},
    {"LOWSOILMOISTURE", 4, "Humidité du sol en baisse"},
    {"HISOILMOISTURE", 4, "Humidité du sol en hausse"},
    {"LOWLEAFTEMP", 2, "Température du feuillage en baisse"},
    {"HILEAFTEMP", 2, "Température du feuillage en hausse"},
    {"LOWLEAFWET", 2, "Humidité du feuillage en baisse"},
};

constexpr int kNoIndex = -1;
constexpr int kBadIndex = -2;

// Splits "NAME[3]" into "NAME" and 3; a name without brackets has no index.
std::string_view SplitIndex(std::string_view name, int& index) {
  index = kNoIndex;
  const std::size_t open = name.find('[');
  if (open == std::string_view::npos) return name;
  const std::string_view digits = name.substr(open + 1);
  int value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  const bool closed =
      error == std::errc() && end + 1 == digits.data() + digits.size() && *end == ']';
  index = closed ? value : kBadIndex;
  return name.substr(0, open);
}

}  // namespace

std::string DescribeAlarm(std::string_view name) {
  std::string upper(name);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  int index = kNoIndex;
  const std::string_view base = SplitIndex(upper, index);
  for (const Description& entry : kDescriptions) {
    if (entry.name != base) continue;
    const bool fits = entry.count == 1 ? index == kNoIndex : index >= 0 && index < entry.count;
    return fits ? std::string(entry.text) : std::string();
  }
  return {};
}

}  // namespace agent
