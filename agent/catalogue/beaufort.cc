#include "agent/catalogue/beaufort.h"

#include <iterator>

#include "agent/catalogue/value_catalogue.h"

namespace agent {
namespace {

struct BeaufortRow {
  std::int32_t from_kmh;  // lowest whole km/h of the number
  const char* activity;
  const char* sea;
  const char* land;
};

// Rows 9 to 12 keep the sea's state in the sea column and the damage on land
// in the land column.
constexpr BeaufortRow kRows[] = {
    {0, "Calme.", "La mer est comme un miroir.", "La fumée monte verticalement."},
    {1, "Très légère brise.",
     "Quelques rides ressemblant à des écailles de poisson, mais sans aucune écume.",
     "La fumée indique la direction du vent. Les girouettes ne s'orientent pas."},
    {6, "Légère brise.", "Vaguelettes ne déferlant pas.",
     "On sent le vent sur le visage, les feuilles bougent."},
    {12, "Petite brise.",
     "Très petites vagues. Les crêtes commencent à déferler. Écume d'aspect vitreux. Parfois "
     "quelques moutons épars.",
     "Les drapeaux flottent bien. Les feuilles sont sans cesse en mouvement."},
    {20, "Jolie brise.", "Petites vagues, moutons assez peu fréquents.",
     "Les poussières s'envolent, les petites branches plient."},
    {29, "Bonne brise.", "Vagues modérées, moutons, éventuellement embruns.",
     "Les petits arbres balancent. Les sommets de tous les arbres sont agités."},
    {39, "Vent frais.", "Crêtes d'écume blanches, lames, embruns.", "On entend siffler le vent."},
    {50, "Grand vent frais.", "Trainées d'écume, lames déferlantes.", "Tous les arbres s'agitent."},
    {62, "Coup de vent.", "Tourbillons d'écumes à la crête des lames, trainées d'écume.",
     "Quelques branches cassent."},
    {75, "Fort coup de vent.",
     "Lames déferlantes grosses à énormes, visibilité réduite par les embruns.",
     "Les cheminées et les tuiles des toits sont arrachées."},
    {89, "Tempête.",
     "Très grosses lames à longue crête en panache. L'écume produite s'agglomère en larges bancs "
     "et est soufflée dans le lit du vent en épaisses trainées blanches. Dans son ensemble, la "
     "surface des eaux semble blanche. Le déferlement en rouleaux devient intense et brutal. "
     "Visibilité réduite.",
     "Des arbres sont déracinés. Les habitations subissent d'importants dommages."},
    {103, "Violente tempête.",
     "Lames exceptionnellement hautes (les navires de petit et moyen tonnage peuvent, par "
     "instant, être perdus de vue). La mer est complètement recouverte de bancs d'écume blanche "
     "élongés dans la direction du vent. Partout, le bord de la crête des lames est soufflé et "
     "donne de la mousse. Visibilité réduite.",
     "Très gros dégâts."},
    {118, "Ouragan.",
     "L'air est plein d'écume et d'embruns. La mer est entièrement blanche du fait des bancs "
     "d'écume dérivants. Visibilité fortement réduit.",
     "Dégâts très importants."},
};

const BeaufortRow* Row(int b) {
  return b >= 0 && b < static_cast<int>(std::size(kRows)) ? &kRows[b] : nullptr;
}

}  // namespace

int BeaufortIndex(std::int32_t kmh) {
  int b = 0;
  while (b + 1 < static_cast<int>(std::size(kRows)) && kmh >= kRows[b + 1].from_kmh) ++b;
  return b;
}

std::string BeaufortActivityText(int b) {
  const BeaufortRow* row = Row(b);
  return row ? row->activity : kPlaceholderText;
}

std::string BeaufortSeaText(int b) {
  const BeaufortRow* row = Row(b);
  return row ? row->sea : kPlaceholderText;
}

std::string BeaufortLandText(int b) {
  const BeaufortRow* row = Row(b);
  return row ? row->land : kPlaceholderText;
}

}  // namespace agent
