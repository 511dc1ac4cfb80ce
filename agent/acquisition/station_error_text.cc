#include "agent/acquisition/station_error_text.h"

#include <iterator>

#include "stationlib/api/OrbiskPro.h"

namespace agent {
namespace {

struct CodeMessage {
  std::int32_t code;
  const char* message;
};

constexpr CodeMessage kMessages[] = {
    {1, " | Traitement effectuée correctement."},
    {0, " | ERREUR : Opération non effectuée."},
    {kOrbiskValueDashedUnsigned, " | ERREUR : Erreur de données."},
    {kOrbiskCommFailure, " | Erreur de communication entre l'application et la console."},
    {kOrbiskNoDataLoaded,
     " | Cette fonctionalité requièrre un chargement ou une initialisation de fonction "
     "supplémentaire."},
    {kOrbiskInitialisationTimeout, " | Problème de démarrage avec la librairie OrbiskPro.dll."},
    {kOrbiskOutOfMemory, " | Erreur de mémoire."},
    {kOrbiskNoLinkOpen, " | Erreur d'ouverture de communication."},
    {kOrbiskInvalidIdentifier, " | Mauvais ID de données."},
    {kOrbiskBufferMissing,
     " | Mémoire ou emplacement mémoire trop petite pour pouvoir y inscrire les données."},
    {kOrbiskInvalidArgument, " | Mauvais paramètres."},
    {kOrbiskValueOutOfRange, " | Valeur positive."},
    {kOrbiskValueDashed, " | Valeur négative."},
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
