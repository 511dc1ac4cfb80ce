#include "agent/publication/tag_substitution.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace agent::publication {
namespace {

constexpr std::string_view kRequestOpening = "#RQT#";
constexpr std::string_view kMissingValue = "---";
constexpr std::size_t kNoStep = std::numeric_limits<std::size_t>::max();

std::string Delimited(std::string_view name) {
  std::string reference;
  reference.reserve(name.size() + 2);
  reference += '#';
  reference += name;
  reference += '#';
  return reference;
}

}  // namespace

bool ReplaceAll(std::string& text, std::string_view pattern, std::string_view replacement) {
  std::size_t match = text.find(pattern);
  if (match == std::string::npos) return false;
  std::string result;
  result.reserve(text.size() + replacement.size());
  std::size_t copied = 0;
  while (match != std::string::npos) {
    result.append(text, copied, match - copied);
    result.append(replacement);
    copied = match + pattern.size();
    match = pattern.empty() ? std::string::npos : text.find(pattern, copied);
  }
  result.append(text, copied, std::string::npos);
  text.swap(result);
  return true;
}

std::string RequestBlockText(const std::vector<TagEntry>& tagsInTableOrder,
                             std::string_view criterion, std::string_view separator) {
  std::string text;
  bool matched = false;
  if (!criterion.empty()) {
    for (const TagEntry& tag : tagsInTableOrder) {
      if (tag.name.find(criterion) == std::string::npos) continue;
      matched = true;
      text += tag.value;
      text += separator;
    }
  }
  return matched ? text : std::string(kMissingValue);
}

TagSubstitution::TagSubstitution(std::vector<TagEntry> tagsInTableOrder, std::string separator,
                                 RequestObserver onRequest)
    : tags_(std::move(tagsInTableOrder)),
      separator_(std::move(separator)),
      onRequest_(std::move(onRequest)) {
  indexByName_.reserve(tags_.size() * 2);
  for (std::size_t i = 0; i < tags_.size(); ++i) {
    const std::string& name = tags_[i].name;
    indexByName_.emplace(name, i);
    maxHashesInName_ =
        std::max(maxHashesInName_, static_cast<std::size_t>(std::count(name.begin(), name.end(), '#')));
  }
}

// The first catalogue step at or after `from` whose reference "#name#" occurs
// in `work`. Every occurrence starts and ends on a "#" of the line, with at
// most maxHashesInName_ further "#" between them.
std::size_t TagSubstitution::NextTagStep(const std::string& work, std::size_t from) const {
  std::vector<std::size_t> hashes;
  for (std::size_t at = work.find('#'); at != std::string::npos; at = work.find('#', at + 1))
    hashes.push_back(at);
  std::size_t best = kNoStep;
  for (std::size_t a = 0; a < hashes.size(); ++a) {
    const std::size_t lastB = std::min(hashes.size() - 1, a + 1 + maxHashesInName_);
    for (std::size_t b = a + 1; b <= lastB; ++b) {
      std::string_view name(work.data() + hashes[a] + 1, hashes[b] - hashes[a] - 1);
      auto found = indexByName_.find(name);
      if (found != indexByName_.end() && found->second >= from && found->second < best)
        best = found->second;
    }
  }
  return best;
}

const std::string& TagSubstitution::RequestText(const std::string& criterion) {
  auto cached = requestTexts_.find(criterion);
  if (cached != requestTexts_.end()) return cached->second;
  return requestTexts_.emplace(criterion, RequestBlockText(tags_, criterion, separator_)).first->second;
}

void TagSubstitution::AppendSubstituted(std::string_view line, std::string& out) {
  // Without a "#" there is neither a reference nor a request block.
  if (line.empty() || std::memchr(line.data(), '#', line.size()) == nullptr) {
    out.append(line);
    return;
  }
  std::string work(line);
  std::size_t step = 0;
  while (step < tags_.size()) {
    const std::size_t opening = work.find(kRequestOpening);
    const std::size_t closing =
        opening == std::string::npos ? std::string::npos : work.find('#', opening + kRequestOpening.size());
    if (closing != std::string::npos) {
      // A request block resolves at this step, then this step's tag.
      std::string criterion =
          work.substr(opening + kRequestOpening.size(), closing - opening - kRequestOpening.size());
      if (onRequest_) onRequest_(criterion);
      const std::string& text = RequestText(criterion);
      std::string block;
      block.reserve(criterion.size() + kRequestOpening.size() + 1);
      block.append(kRequestOpening).append(criterion).push_back('#');
      ReplaceAll(work, block, text);
      ReplaceAll(work, Delimited(tags_[step].name), tags_[step].value);
      ++step;
      continue;
    }
    // No request block can resolve until the line changes, and the line only
    // changes at a step whose reference occurs in it: go straight there.
    const std::size_t next = NextTagStep(work, step);
    if (next == kNoStep) break;
    ReplaceAll(work, Delimited(tags_[next].name), tags_[next].value);
    step = next + 1;
  }
  out.append(work);
}

std::string SubstituteTags(std::string_view line, TagSubstitution& substitution) {
  std::string out;
  substitution.AppendSubstituted(line, out);
  return out;
}

}  // namespace agent::publication
