#include "agent/acquisition/station_error_text.h"

#include <gtest/gtest.h>

namespace agent {
namespace {

TEST(StationErrorText, EveryKnownCodeGivesItsMessageWithoutSign) {
  const std::pair<int, const char*> expected[] = {
      {1, "1 | Traitement effectuée correctement."},
      {0, "0 | ERREUR : Opération non effectuée."},
      {32768, "32768 | ERREUR : Erreur de données."},
      {-32701, "32701 | Erreur de communication entre l'application et la console."},
      {-32704,
       "32704 | Cette fonctionalité requièrre un chargement ou une initialisation de fonction "
       "supplémentaire."},
      {-32700, "32700 | Problème de démarrage avec la librairie OrbiskPro.dll."},
      {-32702, "32702 | Erreur de mémoire."},
      {-32703, "32703 | Erreur d'ouverture de communication."},
      {-32705, "32705 | Mauvais ID de données."},
      {-32706,
       "32706 | Mémoire ou emplacement mémoire trop petite pour pouvoir y inscrire les "
       "données."},
      {-32707, "32707 | Mauvais paramètres."},
      {-32767, "32767 | Valeur positive."},
      {-32768, "32768 | Valeur négative."},
  };
  for (const auto& [code, text] : expected) EXPECT_EQ(StationErrorText(code), text) << code;
}

TEST(StationErrorText, UnknownCodeGivesTheSupportMessageAlone) {
  const std::string support =
      "Merci de contacter Tavrel au sujet de cette erreur : support@example.org";
  EXPECT_EQ(StationErrorText(5), support);
  EXPECT_EQ(StationErrorText(-1), support);
  EXPECT_EQ(StationErrorText(-32769), support);
}

}  // namespace
}  // namespace agent
