#include "agent/acquisition/station_error_text.h"

#include <iterator>

namespace agent {
namespace {

struct CodeMessage {
  std::int32_t code;
  const char* message;
};

constexpr CodeMessage kMessages[] = {
    {1, " | Traitement effectuée correctement."},
    {0, " | ERREUR : Opération non effectuée."},
    {32768, " | ERREUR : Erreur de données."},
    {-32701, " | Erreur de communication entre l'application et la console."},
    {-32704,
     " | Cette fonctionalité requièrre un chargement ou une initialisation de fonction "
     "supplémentaire."},
    {-32700, " | Problème de démarrage avec la librairie OrbiskPro.dll."},
    {-32702, " | Erreur de mémoire."},
    {-32703, " | Erreur d'ouverture de communication."},
    {-32705, " | Mauvais ID de données."},
    {-32706, " | Mémoire ou emplacement mémoire trop petite pour pouvoir y inscrire les données."},
    {-32707, " | Mauvais paramètres."},
    {-32767, " | Valeur positive."},
    {-32768, " | Valeur négative."},
};

}  // namespace

std::string StationErrorText(std::int32_t code) {
  std::string text =
      std::string("Merci de contacter Tavrel au sujet de cette erreur : ") + kSupportAddress;
  for (const CodeMessage& row : kMessages) {
    if (row.code == code) {
      text = std::to_string(code) + row.message;
      break;
    }
  }
  // Codes are shown without their sign.
  std::size_t first = text.find_first_not_of('-');
  return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace agent
