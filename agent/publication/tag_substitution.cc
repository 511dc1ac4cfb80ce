#include "agent/publication/tag_substitution.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace agent::publication {
namespace {

constexpr std::string_view kRequestOpening = "#RQT#";
constexpr std::string_view kMissingValue = "---";
constexpr std::size_t kNoStep = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kOriginalGap = kNoStep;
constexpr std::size_t kLongGap = kNoStep - 1;

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
    max_name_bytes_ = std::max(max_name_bytes_, name.size());
    value_has_hash_.push_back(tags_[i].value.find('#') != std::string::npos);
  }
}

std::size_t TagSubstitution::IndexOf(std::string_view name) const {
  if (name.size() > max_name_bytes_) return kNoStep;
  auto found = index_by_name_.find(name);
  return found == index_by_name_.end() ? kNoStep : found->second;
}

// When neither the names nor the values met hold a "#", and no "#RQT#" ever
// appears, a step only removes the two "#" around a gap that is its name,
// and joins the gaps on either side with the value between them: a gap that
// may be the name of a later step. The steps then follow from the "#" of the
// line alone, taken in table order through a heap; the text is built once at
// the end. Returns false, having appended nothing, in any other case.
bool TagSubstitution::AppendSubstitutedInOnePass(std::string_view line, std::string& out) {
  if (max_hashes_in_name_ > 0) return false;
  hashes_.clear();
  candidates_.clear();
  replacements_.clear();
  merged_gaps_.clear();
  for (const char* at = static_cast<const char*>(std::memchr(line.data(), '#', line.size()));
       at != nullptr; at = static_cast<const char*>(
                          std::memchr(at + 1, '#', line.data() + line.size() - at - 1))) {
    const std::size_t i = hashes_.size();
    hashes_.push_back(
        {static_cast<std::size_t>(at - line.data()), i - 1, i + 1, 0, kOriginalGap, true});
  }
  const std::size_t count = hashes_.size();
  const auto gap = [&](std::size_t h) -> std::string_view {
    const Hash& hash = hashes_[h];
    if (hash.gap == kOriginalGap)
      return line.substr(hash.at + 1, hashes_[hash.next].at - hash.at - 1);
    return merged_gaps_[hash.gap];
  };
  const auto later = [](const Candidate& a, const Candidate& b) {
    return a.step != b.step ? a.step > b.step : a.hash > b.hash;
  };
  // Enters the gap after `h` as a candidate; false when it stops the one pass.
  const auto consider = [&](std::size_t h, std::size_t after_step) {
    const std::string_view name = gap(h);
    if (name == "RQT") return false;
    const std::size_t step = IndexOf(name);
    if (step == kNoStep || (after_step != kNoStep && step <= after_step)) return true;
    if (value_has_hash_[step]) return false;
    candidates_.push_back({step, h, hashes_[h].version});
    std::push_heap(candidates_.begin(), candidates_.end(), later);
    return true;
  };
  for (std::size_t h = 0; h + 1 < count; ++h)
    if (!consider(h, kNoStep)) return false;

  std::size_t bound = line.size();
  while (!candidates_.empty()) {
    std::pop_heap(candidates_.begin(), candidates_.end(), later);
    const Candidate candidate = candidates_.back();
    candidates_.pop_back();
    Hash& opening = hashes_[candidate.hash];
    if (!opening.alive || opening.version != candidate.version) continue;
    const std::string& value = tags_[candidate.step].value;
    bound += value.size();
    if (bound > line_limit_) return false;
    const std::size_t closing = opening.next;
    replacements_.push_back({candidate.hash, closing, candidate.step});
    opening.alive = false;
    hashes_[closing].alive = false;
    const std::size_t before = opening.previous;
    const std::size_t after = hashes_[closing].next;
    const bool has_before = before < count;
    const bool has_after = after < count;
    const bool long_gap = !has_before || !has_after || hashes_[before].gap == kLongGap ||
                          hashes_[closing].gap == kLongGap;
    const std::string_view left = long_gap ? std::string_view() : gap(before);
    const std::string_view right = long_gap ? std::string_view() : gap(closing);
    if (has_before) {
      hashes_[before].next = after;
      ++hashes_[before].version;
    }
    if (has_after) hashes_[after].previous = before;
    if (!has_before || !has_after) continue;
    if (long_gap || left.size() + value.size() + right.size() > max_name_bytes_) {
      hashes_[before].gap = kLongGap;
      continue;
    }
    std::string joined;
    joined.reserve(left.size() + value.size() + right.size());
    joined.append(left).append(value).append(right);
    merged_gaps_.push_back(std::move(joined));
    hashes_[before].gap = merged_gaps_.size() - 1;
    if (!consider(before, candidate.step)) return false;
  }

  // A later replacement covers every earlier one inside its two "#".
  std::sort(replacements_.begin(), replacements_.end(),
            [](const Replacement& a, const Replacement& b) { return a.opening < b.opening; });
  std::size_t copied = 0, covered = 0;
  for (const Replacement& replacement : replacements_) {
    if (replacement.opening < covered) continue;
    out.append(line.substr(copied, hashes_[replacement.opening].at - copied));
    out.append(tags_[replacement.step].value);
    copied = hashes_[replacement.closing].at + 1;
    covered = replacement.closing;
  }
  out.append(line.substr(copied));
  return true;
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
  if (AppendSubstitutedInOnePass(line, out)) return;
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
