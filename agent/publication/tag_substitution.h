#pragma once
// Substitution of tag references ("#Name#") and request blocks ("#RQT#fragment#")
// in template lines.
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
#include <cstdint>
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
std::string RequestBlockText(const std::vector<TagEntry>& tags_in_table_order,
                             std::string_view criterion, std::string_view separator);

// The longest a line may grow to by substitution. A value or separator that
// holds a request block of its own multiplies the line at every catalogue
// step; past this size the line's substitution stops.
constexpr std::size_t kMaxSubstitutedLineBytes = std::size_t{4} << 20;

class TagSubstitution {
 public:
  // Called for each request block found, with its criterion (for the journal).
  using RequestObserver = std::function<void(std::string_view criterion)>;
  // Called when a line reached the size limit and was left part substituted.
  using LineCutObserver = std::function<void(std::size_t limit)>;

  TagSubstitution(std::vector<TagEntry> tags_in_table_order, std::string separator,
                  RequestObserver on_request = {}, LineCutObserver on_line_cut = {},
                  std::size_t line_limit = kMaxSubstitutedLineBytes);

  // Appends the substituted `line` to `out`. A replacement that would take
  // the line past the limit is not made, and the line is appended as it
  // stands before it.
  void AppendSubstituted(std::string_view line, std::string& out);

  // Sets `out` to every non-empty line of `text` substituted and ended with
  // CR LF; CR LF, LF and a lone CR end a line. What `out` held is written
  // over, not zero-filled again: a buffer kept from one fill of a template to
  // the next costs nothing more.
  void SubstituteLines(std::string_view text, std::string& out);

 private:
  // The steps of the tag names, open-addressed: a reference costs one probe
  // or two, where a general map hashes and divides.
  class NameIndex {
   public:
    explicit NameIndex(const std::vector<TagEntry>& tags_in_table_order);
    // The first step of `name`, or the maximum size_t when no tag has it.
    std::size_t Find(std::string_view name) const;
    // False when no name starts with `first`.
    bool StartsAName(char first) const {
      const unsigned char byte = static_cast<unsigned char>(first);
      return (first_bytes_[byte / 64] >> (byte % 64) & 1) != 0;
    }
    // False when no name has this length and first byte ('\0' for the empty name).
    bool MayBeName(std::size_t size, char first) const {
      const unsigned char byte = static_cast<unsigned char>(first);
      return (starts_[size < 63 ? size : 63][byte / 64] >> (byte % 64) & 1) != 0;
    }

   private:
    // A name's first and last eight bytes (four under eight bytes, three
    // single bytes under four): a name up to 16 bytes compares by them alone,
    // without a look at the text of the table.
    struct Key {
      std::uint64_t head;
      std::uint64_t tail;
      std::size_t size;
      std::uint64_t hash;
    };
    struct Slot {
      std::uint64_t head;
      std::uint64_t tail;
      std::uint32_t size;
      std::uint32_t step;
    };
    static Key KeyOf(std::string_view name);
    std::vector<std::string_view> names_;
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    // The first bytes names have, and those of each length (63 for any
    // longer): most texts between two "#" that are no name are turned away
    // by one test, without hashing.
    std::uint64_t first_bytes_[4] = {};
    std::uint64_t starts_[64][4] = {};
  };

  std::size_t NextTagStep(const std::string& work, std::size_t from) const;
  // Stores where the "#" of the text from `from` are in hash_at_ (their
  // count in hash_count_), up to the first CR or LF when `to_line_end`, and
  // returns where it stopped: that line end or `end`.
  const char* ScanLine(const char* from, const char* end, bool to_line_end);
  const std::string& RequestText(const std::string& criterion);
  std::size_t SubstituteDirectly(std::string_view line, std::string& out, std::size_t start,
                                 std::size_t rest, std::size_t readable, std::size_t first_step);
  // SubstituteDirectly on a line not scanned yet, appended to `out`; false,
  // having appended nothing, when it does not take the line.
  bool AppendDirectly(std::string_view line, std::string& out, std::size_t first_step);
  void AppendSubstitutedOtherwise(std::string_view line, std::string& out);
  bool AppendSubstitutedInOnePass(std::string_view line, std::string& out);
  std::size_t IndexOf(std::string_view name) const;

  // A "#" of the line while the one-pass substitution runs; the gap after it
  // runs to the next live "#".
  struct Hash {
    std::size_t at;
    std::size_t previous;
    std::size_t next;
    // Bumped whenever the gap after this "#" changes, so older candidates lapse.
    std::size_t version;
    // kOriginalGap, kLongGap, or the index in merged_gaps_ of its text.
    std::size_t gap;
    bool alive;
  };
  struct Candidate {
    std::size_t step;
    std::size_t hash;
    std::size_t version;
  };
  struct Replacement {
    std::size_t opening;
    std::size_t closing;
    std::size_t step;
  };

  std::vector<TagEntry> tags_;
  std::string separator_;
  RequestObserver on_request_;
  LineCutObserver on_line_cut_;
  std::size_t line_limit_;
  NameIndex index_;
  // Most "#" characters found inside one tag name: references to such names
  // span more than two consecutive "#" of the line.
  std::size_t max_hashes_in_name_ = 0;
  std::size_t max_name_bytes_ = 0;
  // The longest value without a "#", the only ones a direct substitution puts in.
  std::size_t max_value_bytes_ = 0;
  // The size of each step's value, or the maximum size_t when it holds a
  // "#": read beside the index, not from the table.
  std::vector<std::size_t> value_sizes_;
  // Where each step's value starts in value_bytes_, where the values lie
  // side by side followed by 16 bytes: a short one is written by one 16-byte
  // move, without the branches on its size of a copy of its bytes alone.
  std::vector<std::size_t> value_at_;
  std::string value_bytes_;
  // Per step, false when the value starts with a byte no name nor "RQT"
  // starts with: the texts a replacement joins after an empty gap start with
  // the value, and then need no look.
  std::vector<bool> value_may_open_;
  // Scratch of the direct substitution, kept from line to line: where the
  // "#" of the line are and how many, the step of the gap after each (or
  // none), the references whose joined texts need a look, and the text a
  // replacement would join around its value.
  std::vector<std::size_t> hash_at_;
  std::size_t hash_count_ = 0;
  std::vector<std::size_t> gap_step_;
  std::vector<std::size_t> suspects_;
  std::string joined_;
  // A line no direct substitution takes, substituted before it is copied out.
  std::string other_line_;
  // Scratch of the one-pass substitution, kept from line to line.
  std::vector<Hash> hashes_;
  std::vector<Candidate> candidates_;
  std::vector<Replacement> replacements_;
  std::vector<std::string> merged_gaps_;
  std::unordered_map<std::string, std::string> request_texts_;
};

// The line with its request blocks and tag references substituted; an empty
// line gives the empty text.
std::string SubstituteTags(std::string_view line, TagSubstitution& substitution);

// Replaces every occurrence of `pattern` in `text`, scanning left to right and
// resuming after each inserted text. Returns false when nothing matched.
bool ReplaceAll(std::string& text, std::string_view pattern, std::string_view replacement);

// ReplaceAll unless the result would be longer than `limit`: then `text` is
// left unchanged and the result is false.
bool ReplaceAllWithin(std::string& text, std::string_view pattern, std::string_view replacement,
                      std::size_t limit);

}  // namespace agent::publication
