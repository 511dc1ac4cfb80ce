// Template filling: the encoding detection and re-encoding of a whole
// template, and the substitution of every line, checked against the plain
// loop the substitution is defined by (for each catalogue entry in table
// order: the leftmost closed request block, then the entry's references).
#include <cstdlib>
#include <string>
#include <vector>

#include "agent/publication/tag_substitution.h"
#include "agent/publication/template_text.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using agent::publication::TagEntry;

// A few real tag names, in a fixed table order, and a name holding a "#".
const TagEntry kCatalogue[] = {
    {"TempExt", "12.5"},
    {"TempInt", "21.0"},
    {"HumExt", "81"},
    {"PressionAtmo", "1013.2"},
    {"VentDir", "NNO"},
    {"ExtraTemp_1", "10"},
    {"ExtraTemp_2", "11"},
    {"HiLow_Day_TempExt_VH", "14.1"},
    {"HiLow_Day_TempExt_VB", "3.2"},
    {"HiLow_Day_TempExt_Date", "06/12/2026 14:10"},
    {"Alertes", "---"},
    {"DateHeure", "08/12/2026 07:00"},
    {"Pluie#Jour", "0.0"},
    {"Prevision", "Nuageux, pluie possible"},
    {"Lever", "08:31"},
};

constexpr std::size_t kInputTags = 4;
constexpr std::size_t kShortValue = 16;
// Values and separators may hold request blocks of their own, which multiply
// the line at every catalogue step: a small limit keeps each input fast.
constexpr std::size_t kLineLimit = 64 * 1024;

std::string Piece(fuzz::FuzzInput& input, std::size_t longest) {
  return std::string(input.Take(input.Byte() % (longest + 1)));
}

// The substitution exactly as defined, one catalogue entry after the other,
// stopping at the first replacement that would grow the line past the limit.
std::string PlainLoop(std::string work, const std::vector<TagEntry>& tags,
                      const std::string& separator) {
  using agent::publication::ReplaceAllWithin;
  if (work.empty()) return work;
  for (const TagEntry& tag : tags) {
    const std::size_t opening = work.find("#RQT#");
    const std::size_t closing =
        opening == std::string::npos ? std::string::npos : work.find('#', opening + 5);
    if (closing != std::string::npos) {
      const std::string criterion = work.substr(opening + 5, closing - opening - 5);
      if (!ReplaceAllWithin(work, "#RQT#" + criterion + "#",
                            agent::publication::RequestBlockText(tags, criterion, separator),
                            kLineLimit))
        break;
    }
    if (!ReplaceAllWithin(work, "#" + tag.name + "#", tag.value, kLineLimit)) break;
  }
  return work;
}

}  // namespace

// Input: tag count, then name and value of each (length byte, bytes), the
// request separator (length byte, bytes), one line for the comparison with
// the plain loop (up to a NUL byte), then the template file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  std::vector<TagEntry> tags(std::begin(kCatalogue), std::end(kCatalogue));
  const std::size_t extra = input.Byte() % (kInputTags + 1);
  for (std::size_t i = 0; i < extra; ++i) {
    std::string name = Piece(input, 32);
    tags.push_back({std::move(name), Piece(input, kShortValue)});
  }
  const std::string separator = Piece(input, kShortValue);
  const std::string line(input.Until(std::string_view("\0", 1)));
  const std::string_view template_bytes = input.Rest();

  agent::publication::TagSubstitution substitution(tags, separator, {}, {}, kLineLimit);
  if (agent::publication::SubstituteTags(line, substitution) != PlainLoop(line, tags, separator))
    std::abort();

  const std::string filled = agent::publication::FillTemplateText(template_bytes, substitution);
  // A template without references, line ends or marks comes out as one line
  // ended by CR LF.
  const bool plain = !template_bytes.empty() &&
                     template_bytes.find_first_of(std::string_view("#\r\n\xEF\xFE\xFF", 6)) ==
                         std::string_view::npos;
  if (plain && filled != std::string(template_bytes) + "\r\n") std::abort();
  return 0;
}
