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

enum class Replaced { kNothing, kDone, kTooLong };

Replaced Replace(std::string& text, std::string_view pattern, std::string_view replacement,
                 std::size_t limit) {
  const std::size_t first = text.find(pattern);
  if (first == std::string::npos) return Replaced::kNothing;
  if (pattern.empty()) {
    if (text.size() + replacement.size() > limit) return Replaced::kTooLong;
    text.insert(0, replacement);
    return Replaced::kDone;
  }
  std::size_t matches = 0;
  for (std::size_t at = first; at != std::string::npos;
       at = text.find(pattern, at + pattern.size()))
    ++matches;
  // Only growth is bounded, and it is measured before anything is built, so
  // a refused replacement costs no memory.
  const std::size_t kept = text.size() - matches * pattern.size();
  if (replacement.size() > pattern.size() &&
      (limit < kept || (limit - kept) / replacement.size() < matches))
    return Replaced::kTooLong;
  std::string result;
  result.reserve(kept + matches * replacement.size());
  std::size_t copied = 0;
  for (std::size_t match = first; match != std::string::npos; match = text.find(pattern, copied)) {
    result.append(text, copied, match - copied);
    result.append(replacement);
    copied = match + pattern.size();
  }
  result.append(text, copied, std::string::npos);
  text.swap(result);
  return Replaced::kDone;
}

}  // namespace

bool ReplaceAll(std::string& text, std::string_view pattern, std::string_view replacement) {
  return Replace(text, pattern, replacement, std::string::npos) == Replaced::kDone;
}

bool ReplaceAllWithin(std::string& text, std::string_view pattern, std::string_view replacement,
                      std::size_t limit) {
  return Replace(text, pattern, replacement, limit) != Replaced::kTooLong;
}

std::string RequestBlockText(const std::vector<TagEntry>& tags_in_table_order,
                             std::string_view criterion, std::string_view separator) {
  std::string text;
  bool matched = false;
  if (!criterion.empty()) {
    for (const TagEntry& tag : tags_in_table_order) {
      if (tag.name.find(criterion) == std::string::npos) continue;
      matched = true;
      text += tag.value;
      text += separator;
    }
  }
  return matched ? text : std::string(kMissingValue);
}

TagSubstitution::TagSubstitution(std::vector<TagEntry> tags_in_table_order, std::string separator,
                                 RequestObserver on_request, LineCutObserver on_line_cut,
                                 std::size_t line_limit)
    : tags_(std::move(tags_in_table_order)),
      separator_(std::move(separator)),
      on_request_(std::move(on_request)),
      on_line_cut_(std::move(on_line_cut)),
      line_limit_(line_limit) {
  index_by_name_.reserve(tags_.size() * 2);
  for (std::size_t i = 0; i < tags_.size(); ++i) {
    const std::string& name = tags_[i].name;
    index_by_name_.emplace(name, i);
    max_hashes_in_name_ = std::max(
        max_hashes_in_name_, static_cast<std::size_t>(std::count(name.begin(), name.end(), '#')));
  }
}

// The first catalogue step at or after `from` whose reference "#name#" occurs
// in `work`. Every occurrence starts and ends on a "#" of the line, with at
// most max_hashes_in_name_ further "#" between them.
std::size_t TagSubstitution::NextTagStep(const std::string& work, std::size_t from) const {
  std::vector<std::size_t> hashes;
  for (std::size_t at = work.find('#'); at != std::string::npos; at = work.find('#', at + 1))
    hashes.push_back(at);
  std::size_t best = kNoStep;
  for (std::size_t a = 0; a < hashes.size(); ++a) {
    const std::size_t last_b = std::min(hashes.size() - 1, a + 1 + max_hashes_in_name_);
    for (std::size_t b = a + 1; b <= last_b; ++b) {
      std::string_view name(work.data() + hashes[a] + 1, hashes[b] - hashes[a] - 1);
      auto found = index_by_name_.find(name);
      if (found != index_by_name_.end() && found->second >= from && found->second < best)
        best = found->second;
    }
  }
  return best;
}

const std::string& TagSubstitution::RequestText(const std::string& criterion) {
  auto cached = request_texts_.find(criterion);
  if (cached != request_texts_.end()) return cached->second;
  return request_texts_.emplace(criterion, RequestBlockText(tags_, criterion, separator_))
      .first->second;
}

void TagSubstitution::AppendSubstituted(std::string_view line, std::string& out) {
  // Without a "#" there is neither a reference nor a request block.
  if (line.empty() || std::memchr(line.data(), '#', line.size()) == nullptr) {
    out.append(line);
    return;
  }
  std::string work(line);
  std::size_t step = 0;
  const auto replace = [this, &work](std::string_view pattern, std::string_view replacement) {
    if (ReplaceAllWithin(work, pattern, replacement, line_limit_)) return true;
    if (on_line_cut_) on_line_cut_(line_limit_);
    return false;
  };
  while (step < tags_.size()) {
    const std::size_t opening = work.find(kRequestOpening);
    const std::size_t closing = opening == std::string::npos
                                    ? std::string::npos
                                    : work.find('#', opening + kRequestOpening.size());
    if (closing != std::string::npos) {
      // A request block resolves at this step, then this step's tag.
      std::string criterion =
          work.substr(opening + kRequestOpening.size(), closing - opening - kRequestOpening.size());
      if (on_request_) on_request_(criterion);
      const std::string& text = RequestText(criterion);
      std::string block;
      block.reserve(criterion.size() + kRequestOpening.size() + 1);
      block.append(kRequestOpening).append(criterion).push_back('#');
      if (!replace(block, text) || !replace(Delimited(tags_[step].name), tags_[step].value)) break;
      ++step;
      continue;
    }
    // No request block can resolve until the line changes, and the line only
    // changes at a step whose reference occurs in it: go straight there.
    const std::size_t next = NextTagStep(work, step);
    if (next == kNoStep) break;
    if (!replace(Delimited(tags_[next].name), tags_[next].value)) break;
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
