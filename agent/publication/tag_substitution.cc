#include "agent/publication/tag_substitution.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace agent::publication {
namespace {

constexpr std::string_view kRequestOpening = "#RQT#";
constexpr std::string_view kMissingValue = "---";
constexpr std::size_t kNoStep = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kOriginalGap = kNoStep;
constexpr std::size_t kLongGap = kNoStep - 1;
constexpr std::uint32_t kEmptySlot = std::numeric_limits<std::uint32_t>::max();
// The most room made for a line's values before they are known.
constexpr std::size_t kMostRoomAtOnce = std::size_t{64} << 10;

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

// The "#" and the line ends (CR, LF) among kScanBytes bytes of text: bit
// kBitsPerByte * i stands for byte i. A table row holds a "#" every few
// bytes: a whole chunk at a time beats a library search per "#", and one scan
// finds both where two would go over the line twice.
struct Marks {
  std::uint64_t hashes;
  std::uint64_t ends;
};

#if defined(__SSE2__)
constexpr std::size_t kScanBytes = 16;
constexpr int kBitsPerByte = 1;

inline Marks MarksAt(const char* from) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  const auto equal = [&bytes](char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  return {static_cast<std::uint32_t>(_mm_movemask_epi8(equal('#'))),
          static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_or_si128(equal('\n'), equal('\r'))))};
}
#else
constexpr std::size_t kScanBytes = 8;
constexpr int kBitsPerByte = 8;

// The high bit of each byte of `word` that is `byte`, exactly (no carry
// between bytes).
inline std::uint64_t BytesEqualTo(std::uint64_t word, char byte) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(byte));
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

inline Marks MarksAt(const char* from) {
  std::uint64_t word;
  std::memcpy(&word, from, 8);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return {BytesEqualTo(word, '#'), BytesEqualTo(word, '\n') | BytesEqualTo(word, '\r')};
}
#endif

// Copies `size` bytes and returns the end of the copy. Most pieces of a
// table row are a few bytes: word moves, where a library copy costs a call.
inline char* CopyBytes(char* to, const char* from, std::size_t size) {
  if (size >= 8 && size <= 16) {
    std::uint64_t head, tail;
    std::memcpy(&head, from, 8);
    std::memcpy(&tail, from + size - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + size - 8, &tail, 8);
  } else if (size >= 4 && size < 8) {
    std::uint32_t head, tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + size - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + size - 4, &tail, 4);
  } else if (size < 4) {
    if (size > 0) to[0] = from[0];
    if (size > 1) to[1] = from[1];
    if (size > 2) to[2] = from[2];
  } else {
    std::memcpy(to, from, size);
  }
  return to + size;
}

// Room for `bytes` in `out` from `length` on. When `out` must grow, it grows
// for the `rest` of the text as well (a sixteenth more for values): a
// template is filled with a resize or two.
char* Room(std::string& out, std::size_t length, std::size_t bytes, std::size_t rest) {
  if (out.size() - length < bytes) out.resize(length + bytes + rest + rest / 16 + 64);
  return out.data() + length;
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

inline TagSubstitution::NameIndex::Key TagSubstitution::NameIndex::KeyOf(std::string_view name) {
  const char* bytes = name.data();
  const std::size_t size = name.size();
  Key key{0, 0, size, 0};
  std::uint64_t middle = 0;
  if (size >= 8) {
    std::memcpy(&key.head, bytes, 8);
    std::memcpy(&key.tail, bytes + size - 8, 8);
    for (std::size_t at = 8; at + 8 < size; at += 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes + at, 8);
      middle = (middle ^ word) * 0x9E3779B97F4A7C15ull;
    }
  } else if (size >= 4) {
    std::uint32_t first, last;
    std::memcpy(&first, bytes, 4);
    std::memcpy(&last, bytes + size - 4, 4);
    key.head = first;
    key.tail = last;
  } else if (size > 0) {
    key.head = static_cast<unsigned char>(bytes[0]) |
               static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[size / 2])) << 8 |
               static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[size - 1])) << 16;
  }
  // Two products side by side, not one after the other: a lookup waits on
  // it. Their best mixed bits, the high ones, come first.
  key.hash = std::rotr(((key.head ^ middle) + size) * 0xBF58476D1CE4E5B9ull ^
                           (key.tail + size) * 0x94D049BB133111EBull,
                       40);
  return key;
}

// Inlined: a dense template looks up a name every few bytes.
[[gnu::always_inline]] inline std::size_t TagSubstitution::NameIndex::Find(
    std::string_view name) const {
  if (!MayBeName(name.size(), name.empty() ? '\0' : name[0])) return kNoStep;
  const Key key = KeyOf(name);
  for (std::size_t at = key.hash & mask_;; at = (at + 1) & mask_) {
    const Slot& slot = slots_[at];
    if (slot.step == kEmptySlot) return kNoStep;
    // The words of the key are the whole name up to 16 bytes.
    if (slot.head == key.head && slot.tail == key.tail && slot.size == key.size &&
        (key.size <= 16 || std::memcmp(names_[slot.step].data(), name.data(), key.size) == 0))
      return slot.step;
  }
}

TagSubstitution::NameIndex::NameIndex(const std::vector<TagEntry>& tags_in_table_order) {
  std::size_t capacity = 16;
  // At most a quarter full: a name is found at its first slot or the next.
  while (capacity < tags_in_table_order.size() * 4) capacity *= 2;
  mask_ = capacity - 1;
  slots_.assign(capacity, Slot{0, 0, 0, kEmptySlot});
  names_.reserve(tags_in_table_order.size());
  for (const TagEntry& tag : tags_in_table_order) {
    const std::uint32_t step = static_cast<std::uint32_t>(names_.size());
    names_.push_back(tag.name);
    if (Find(tag.name) != kNoStep) continue;  // a later namesake never replaces anything
    const unsigned char first = tag.name.empty() ? 0 : static_cast<unsigned char>(tag.name[0]);
    if (!tag.name.empty()) first_bytes_[first / 64] |= std::uint64_t{1} << (first % 64);
    const std::size_t length = std::min<std::size_t>(tag.name.size(), 63);
    starts_[length][first / 64] |= std::uint64_t{1} << (first % 64);
    const Key key = KeyOf(tag.name);
    std::size_t at = key.hash & mask_;
    while (slots_[at].step != kEmptySlot) at = (at + 1) & mask_;
    slots_[at] = {key.head, key.tail, static_cast<std::uint32_t>(key.size), step};
  }
}

TagSubstitution::TagSubstitution(std::vector<TagEntry> tags_in_table_order, std::string separator,
                                 RequestObserver on_request, LineCutObserver on_line_cut,
                                 std::size_t line_limit)
    : tags_(std::move(tags_in_table_order)),
      separator_(std::move(separator)),
      on_request_(std::move(on_request)),
      on_line_cut_(std::move(on_line_cut)),
      line_limit_(line_limit),
      index_(tags_) {
  for (const TagEntry& tag : tags_) {
    max_hashes_in_name_ =
        std::max(max_hashes_in_name_,
                 static_cast<std::size_t>(std::count(tag.name.begin(), tag.name.end(), '#')));
    max_name_bytes_ = std::max(max_name_bytes_, tag.name.size());
    value_sizes_.push_back(tag.value.find('#') == std::string::npos ? tag.value.size() : kNoStep);
    if (value_sizes_.back() != kNoStep)
      max_value_bytes_ = std::max(max_value_bytes_, tag.value.size());
    value_may_open_.push_back(tag.value.empty() || tag.value[0] == 'R' ||
                              index_.StartsAName(tag.value[0]));
    value_at_.push_back(value_bytes_.size());
    value_bytes_ += tag.value;
  }
  value_bytes_.append(16, '\0');
}

std::size_t TagSubstitution::IndexOf(std::string_view name) const {
  if (name.size() > max_name_bytes_) return kNoStep;
  return index_.Find(name);
}

const char* TagSubstitution::ScanLine(const char* from, const char* end, bool to_line_end) {
  const char* const start = from;
  const std::uint64_t ends_taken = to_line_end ? ~std::uint64_t{0} : 0;
  std::size_t count = 0;
  std::size_t* at = hash_at_.data();
  for (;; from += kScanBytes) {
    // Room for a chunk's worth of "#" (the bytes left after the last chunk
    // are fewer): the scratch grows with the longest line, never per byte.
    if (hash_at_.size() < count + kScanBytes) {
      const std::size_t size = std::max(count + kScanBytes, 2 * hash_at_.size());
      hash_at_.resize(size);
      gap_step_.resize(size);
      suspects_.resize(size);
      at = hash_at_.data();
    }
    if (static_cast<std::size_t>(end - from) < kScanBytes) break;
    const Marks marks = MarksAt(from);
    const std::uint64_t ends = marks.ends & ends_taken;
    // The "#" before the first line end only.
    const std::uint64_t hashes = ends == 0 ? marks.hashes : marks.hashes & ((ends & -ends) - 1);
    const std::size_t offset = static_cast<std::size_t>(from - start);
    for (std::uint64_t found = hashes; found != 0; found &= found - 1)
      at[count++] = offset + static_cast<std::size_t>(std::countr_zero(found) / kBitsPerByte);
    if (ends != 0) {
      hash_count_ = count;
      return from + std::countr_zero(ends) / kBitsPerByte;
    }
  }
  for (; from < end; ++from) {
    if (to_line_end && (*from == '\n' || *from == '\r')) break;
    if (*from == '#') at[count++] = static_cast<std::size_t>(from - start);
  }
  hash_count_ = count;
  return from;
}

// When no name holds a "#", the tag references of the line are the gaps
// between two consecutive "#" that are names. If no two of them share a "#",
// no value holds a "#", no gap reads "RQT", and no text a replacement joins
// between two "#" (the gaps on either side and the values between) can be a
// name, every step replaces exactly its own references: the result is each
// reference replaced by its value, whatever the table order, made in one copy.
// The "#" of the line are those ScanLine stored last. Writes that result in
// `out` from `start` on, with room for two bytes after it, and returns its
// end; returns kNoStep in any other case. `rest`, the bytes of text still to
// come, sizes the room made when `out` must grow; `readable`, the line's size
// or more, how many bytes may be read from its start. Steps before
// `first_step` are taken as made already: their names are no references.
std::size_t TagSubstitution::SubstituteDirectly(std::string_view line, std::string& out,
                                                std::size_t start, std::size_t rest,
                                                std::size_t readable, std::size_t first_step) {
  if (max_hashes_in_name_ > 0) return kNoStep;
  const std::size_t* const at = hash_at_.data();
  std::size_t* const steps = gap_step_.data();
  std::size_t* const suspects = suspects_.data();
  const std::size_t count = hash_count_;
  const char* const data = line.data();
  const std::size_t max_name_bytes = max_name_bytes_;
  std::size_t grown = line.size(), suspect_count = 0, copied = 0;
  // Written while the line is looked at, not in a second pass over its
  // references: a line the direct substitution turns away leaves what it
  // wrote past `start`, to be written over.
  // kMoveSlack bytes more for what a value's 16-byte move writes past it.
  constexpr std::size_t kMoveSlack = 16;
  // Each reference takes two "#" of its own. When all could take the longest
  // value and the line still be within its limit, the room is made once and
  // the growth goes uncounted: a table row pays for neither per reference.
  const std::size_t most_grown = count / 2 * max_value_bytes_;
  const bool bounded = most_grown <= kMostRoomAtOnce && line.size() + most_grown <= line_limit_;
  char* to = Room(out, start, line.size() + (bounded ? most_grown : 0) + 2 + kMoveSlack, rest);
  const char* before = data;
  for (std::size_t g = 0, previous = kNoStep; g + 1 < count; ++g) {
    const char* const name = data + at[g] + 1;
    const std::size_t name_size = at[g + 1] - at[g] - 1;
    if (name_size == 3 && name[0] == 'R' && name[1] == 'Q' && name[2] == 'T') return kNoStep;
    std::size_t step = kNoStep;
    if (name_size <= max_name_bytes) {
      step = index_.Find(std::string_view(name, name_size));
      if (step < first_step) step = kNoStep;
      if (step != kNoStep) {
        const std::size_t value_size = value_sizes_[step];
        if (previous != kNoStep || value_size == kNoStep) return kNoStep;
        if (!bounded) {
          grown += value_size;
          if (grown > line_limit_) return kNoStep;
          // The room holds the line as it stands: a value may need more.
          const std::size_t needed = value_size + (line.size() - copied) + 2 + kMoveSlack;
          if (static_cast<std::size_t>(out.data() + out.size() - to) < needed) {
            const std::size_t written = static_cast<std::size_t>(to - out.data());
            to = Room(out, written, needed, rest);
          }
        }
        // The text before the reference is mostly a few bytes too: one
        // 16-byte move where they may be read, as for the value below.
        if (at[g] - copied <= 16 && readable - copied >= 16) {
          std::memcpy(to, data + copied, 16);
          to += at[g] - copied;
        } else {
          to = CopyBytes(to, data + copied, at[g] - copied);
        }
        const char* const value = value_bytes_.data() + value_at_[step];
        if (value_size <= 16) {
          std::memcpy(to, value, 16);
          to += value_size;
        } else {
          to = CopyBytes(to, value, value_size);
        }
        copied = at[g + 1] + 1;
        // The texts a replacement joins start with the gap before; when that
        // gap starts neither a name nor "RQT", none of them needs a look.
        // After an empty gap (*before is then the "#" closing it), they start
        // with the value, or with the gap after when the value is empty.
        if (g > 0 && (*before == '#' ? value_may_open_[step]
                                     : *before == 'R' || index_.StartsAName(*before)))
          suspects[suspect_count++] = g;
      }
    }
    steps[g] = step;
    previous = step;
    before = name;
  }
  const auto gap = [&](std::size_t g) {
    return std::string_view(data + at[g] + 1, at[g + 1] - at[g] - 1);
  };
  const auto value = [&](std::size_t g) -> const std::string& { return tags_[steps[g]].value; };

  // The texts joined between two "#" run from the "#" before a reference to
  // a "#" after it, over references separated by single gaps. All those
  // from one "#" share their first byte once it is known.
  for (std::size_t r = 0; r < suspect_count; ++r) {
    const std::size_t g = suspects[r];
    if (g + 2 >= count) continue;
    const std::string_view before = gap(g - 1), after = gap(g + 1);
    std::size_t length = before.size() + value(g).size() + after.size();
    if (length > max_name_bytes) continue;
    const std::string_view first = !before.empty()     ? before
                                   : !value(g).empty() ? std::string_view(value(g))
                                                       : after;
    if (!first.empty() && first[0] != 'R' && !index_.StartsAName(first[0])) continue;
    const char lead = first.empty() ? '\0' : first[0];
    for (std::size_t last = g;;) {
      // Built only when some name, or "RQT", has its length and first byte.
      if (index_.MayBeName(length, lead) || (length == 3 && lead == 'R')) {
        joined_.assign(before);
        for (std::size_t k = g; k <= last; k += 2) joined_.append(value(k)).append(gap(k + 1));
        if (joined_ == "RQT" || index_.Find(joined_) != kNoStep) return kNoStep;
      }
      const std::size_t next = last + 2;
      if (next + 2 >= count || steps[next] == kNoStep) break;
      length += value(next).size() + gap(next + 1).size();
      if (length > max_name_bytes) break;
      last = next;
    }
  }
  to = CopyBytes(to, data + copied, line.size() - copied);
  return static_cast<std::size_t>(to - out.data());
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
    if (value_sizes_[step] == kNoStep) return false;
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
      const std::size_t step = index_.Find(name);
      if (step != kNoStep && step >= from && step < best) best = step;
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

bool TagSubstitution::AppendDirectly(std::string_view line, std::string& out,
                                     std::size_t first_step) {
  ScanLine(line.data(), line.data() + line.size(), false);
  const std::size_t start = out.size();
  const std::size_t end = SubstituteDirectly(line, out, start, 0, line.size(), first_step);
  out.resize(end == kNoStep ? start : end);
  return end != kNoStep;
}

void TagSubstitution::AppendSubstituted(std::string_view line, std::string& out) {
  if (!AppendDirectly(line, out, 0)) AppendSubstitutedOtherwise(line, out);
}

void TagSubstitution::SubstituteLines(std::string_view text, std::string& out) {
  // The lines are written over what `out` holds, not appended: growing the
  // text line by line would zero-fill each line before writing it. Room is
  // made only when a line needs it, for the rest of the text at once; the
  // same template filled again needs none.
  std::size_t length = 0;
  const char* cursor = text.data();
  const char* const end = cursor + text.size();
  while (cursor < end) {
    const char* const line_end = ScanLine(cursor, end, true);
    const std::string_view line(cursor, line_end - cursor);
    cursor = line_end;
    if (cursor < end && *cursor++ == '\r' && cursor < end && *cursor == '\n') ++cursor;
    if (line.empty()) continue;
    const std::size_t rest = static_cast<std::size_t>(end - cursor);
    char* to;
    if (hash_count_ < 2) {
      // Under two "#" there is neither a reference nor a request block: most
      // lines of a page are copied as they stand.
      to = CopyBytes(Room(out, length, line.size() + 2, rest), line.data(), line.size());
    } else if (const std::size_t written =
                   SubstituteDirectly(line, out, length, rest, end - line.data(), 0);
               written != kNoStep) {
      to = out.data() + written;
    } else {
      other_line_.clear();
      AppendSubstitutedOtherwise(line, other_line_);
      to = CopyBytes(Room(out, length, other_line_.size() + 2, rest), other_line_.data(),
                     other_line_.size());
    }
    to[0] = '\r';
    to[1] = '\n';
    length = static_cast<std::size_t>(to + 2 - out.data());
  }
  out.resize(length);
}

void TagSubstitution::AppendSubstitutedOtherwise(std::string_view line, std::string& out) {
  // Without a "#" there is neither a reference nor a request block.
  if (line.empty() || std::memchr(line.data(), '#', line.size()) == nullptr) {
    out.append(line);
    return;
  }
  if (AppendSubstitutedInOnePass(line, out)) return;
  std::string work(line);
  std::size_t step = 0;
  bool tried_directly = false;
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
    // Once the request blocks are resolved, what is left are the steps from
    // this one on: made in one copy when the direct substitution takes them.
    if (step > 0 && !tried_directly) {
      tried_directly = true;
      if (AppendDirectly(work, out, step)) return;
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
