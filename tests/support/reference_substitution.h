#pragma once
// The substitution exactly as the publishing rules state it: for every
// catalogue entry in table order, resolve the leftmost request block, then
// replace that entry's tag references. Slow by design; the production
// substitution must give the same bytes.

#include <string>
#include <vector>

#include "agent/publication/tag_substitution.h"

namespace publication_test {

inline void ReferenceReplaceAll(std::string& text, const std::string& pattern,
                                const std::string& replacement) {
  std::size_t at = text.find(pattern);
  while (at != std::string::npos) {
    text.replace(at, pattern.size(), replacement);
    at = text.find(pattern, at + replacement.size());
  }
}

inline std::string ReferenceSubstituteTags(const std::string& line,
                                           const std::vector<agent::publication::TagEntry>& tags,
                                           const std::string& separator,
                                           std::vector<std::string>* criteria = nullptr) {
  if (line.empty()) return "";
  std::string work = line;
  for (const auto& tag : tags) {
    const std::size_t p = work.find("#RQT#");
    if (p != std::string::npos) {
      const std::size_t q = work.find('#', p + 5);
      if (q != std::string::npos) {
        const std::string criterion = work.substr(p + 5, q - p - 5);
        if (criteria) criteria->push_back(criterion);
        std::string text;
        std::size_t count = 0;
        if (!criterion.empty())
          for (const auto& candidate : tags)
            if (candidate.name.find(criterion) != std::string::npos) {
              text += candidate.value + separator;
              ++count;
            }
        if (count == 0) text = "---";
        ReferenceReplaceAll(work, "#RQT#" + criterion + "#", text);
      }
    }
    ReferenceReplaceAll(work, "#" + tag.name + "#", tag.value);
  }
  return work;
}

}  // namespace publication_test
