#pragma once
// Templates dense with references, the way a table of readings is written:
// about 50 station and user tags referenced over and over among a catalogue
// of 700, one reference in ten overlapping a name that is no tag
// ("#Inconnu_3#TempExt#"), and request blocks spread over the text. Shared by
// the differential test and the benchmark.

#include <cstdio>
#include <string>
#include <vector>

#include "agent/publication/tag_substitution.h"

namespace publication_test {

inline const std::vector<std::string>& DenseTagNames() {
  static const std::vector<std::string> kNames = [] {
    std::vector<std::string> names{
        "TempExt",    "HumExt",     "TempInt",    "HumInt",     "PointRose",
        "IndChaleur", "IndiceTHSW", "Pression",   "Tendance",   "VentMoyen",
        "Rafale",     "DirVent",    "DirVentTxt", "PluieJour",  "PluieMois",
        "PluieAn",    "IntPluie",   "UV",         "Solaire",    "ETJour",
        "Lever",      "Coucher",    "Lune",       "DateMesure", "HeureMesure"};
    for (int i = 1; names.size() < 50; ++i) names.push_back("Perso" + std::to_string(i));
    return names;
  }();
  return kNames;
}

// 700 tags in table order: the referenced names spread through it, every
// tenth other one an "ExtraTemp_" tag for the request blocks.
inline std::vector<agent::publication::TagEntry> DenseCatalogue() {
  std::vector<agent::publication::TagEntry> tags;
  for (int i = 0; i < 700; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, i % 10 == 0 ? "ExtraTemp_%03d" : "Tag%03d", i);
    const std::string value = std::to_string(i * 7 % 100) + "." + std::to_string(i % 10);
    tags.push_back({i % 14 == 7 ? DenseTagNames()[i / 14] : name, value});
  }
  return tags;
}

// The reference number `n`: a tag of DenseTagNames, one in ten after a
// "#Inconnu_k" that shares its opening "#".
inline std::string DenseReference(int n) {
  const std::vector<std::string>& names = DenseTagNames();
  std::string reference = "#" + names[(n * 7 + n / 50) % names.size()] + "#";
  if (n % 10 == 3) reference = "#Inconnu_" + std::to_string(n % 7) + reference;
  return reference;
}

// A title reference, then `rows` table rows of two references each, with 30
// request blocks spread over them.
inline std::string DenseTableTemplate(int rows) {
  std::string out = "<html><head><title>#DateMesure#</title></head><body><table>\n";
  int references = 0;
  const int request_every = rows / 30 > 0 ? rows / 30 : 1;
  for (int row = 1; row <= rows; ++row) {
    out += "  <tr class=\"mesure\"><td class=\"c1\">Mesure ";
    out += std::to_string(row);
    out += "</td><td>";
    out += DenseReference(references++);
    out += "</td><td class=\"c3\">";
    out += DenseReference(references++);
    if (row % request_every == 0 && row / request_every <= 30) out += " #RQT#ExtraTemp_#";
    out += "</td></tr>\n";
  }
  out += "</table></body></html>\n";
  return out;
}

// About `bytes` of text with a reference every 10 bytes, eight to a line,
// with 30 request blocks spread over it.
inline std::string DenserTemplate(std::size_t bytes) {
  std::string out;
  const int references = static_cast<int>(bytes / 10);
  const int request_every = references / 30 > 0 ? references / 30 : 1;
  for (int n = 0; n < references; ++n) {
    out += DenseReference(n);
    if (n % request_every == request_every - 1 && n / request_every < 30) out += "#RQT#ExtraTemp_#";
    if (n % 8 == 7) {
      out += '\n';
    } else {
      while (out.size() < static_cast<std::size_t>(n + 1) * 10) out += ' ';
    }
  }
  out += '\n';
  return out;
}

}  // namespace publication_test
