#pragma once
// Substitution of tag references ("#Name#") and request blocks ("#RQT#fragment#")
// in one template line.
//
// The published behaviour is that of a plain loop: for each catalogue entry, in
// the catalogue's table order, first resolve the leftmost request block of the
// line (if it has its closing "#"), then replace every "#tag#" of that entry.
// Values inserted by one step are seen by the later steps. TagSubstitution
// gives byte-identical results without walking the whole catalogue for every
// line: it jumps straight to the steps that change something.
//
// A TagSubstitution is a frozen view of the catalogue for one filling pass;
// build it while the catalogue lock is held and do not share it between threads.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace agent::publication {

struct TagEntry {
  std::string name;
  std::string value;
};

// The text a request block with `criterion` is replaced by: the values of the
// tags whose name contains the criterion, each followed by `separator`, in
// table order; "---" when no tag matches or the criterion is empty.
std::string RequestBlockText(const std::vector<TagEntry>& tagsInTableOrder,
                             std::string_view criterion, std::string_view separator);

class TagSubstitution {
 public:
  // Called for each request block found, with its criterion (for the journal).
  using RequestObserver = std::function<void(std::string_view criterion)>;

  TagSubstitution(std::vector<TagEntry> tagsInTableOrder, std::string separator,
                  RequestObserver onRequest = {});

  // Appends the substituted `line` to `out`.
  void AppendSubstituted(std::string_view line, std::string& out);

 private:
  std::size_t NextTagStep(const std::string& work, std::size_t from) const;
  const std::string& RequestText(const std::string& criterion);

  std::vector<TagEntry> tags_;
  std::string separator_;
  RequestObserver onRequest_;
  std::unordered_map<std::string_view, std::size_t> indexByName_;
  // Most "#" characters found inside one tag name: references to such names
  // span more than two consecutive "#" of the line.
  std::size_t maxHashesInName_ = 0;
  std::unordered_map<std::string, std::string> requestTexts_;
};

// The line with its request blocks and tag references substituted; an empty
// line gives the empty text.
std::string SubstituteTags(std::string_view line, TagSubstitution& substitution);

// Replaces every occurrence of `pattern` in `text`, scanning left to right and
// resuming after each inserted text. Returns false when nothing matched.
bool ReplaceAll(std::string& text, std::string_view pattern, std::string_view replacement);

}  // namespace agent::publication
