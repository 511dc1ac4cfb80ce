// The downloaded archive: pages of five 52-byte records (264 bytes each, as
// the console sends them after the sequence number), which of them arrived
// intact, and the record count walk over them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orbisk::archive {

inline constexpr std::size_t kRecordSize = 52;
inline constexpr int kRecordsPerPage = 5;
inline constexpr std::size_t kStoredPageSize = 264;  // five records and 4 spare bytes
inline constexpr std::size_t kWebPageSize = kRecordsPerPage * kRecordSize;

class ArchiveStore {
 public:
  // Drops every page and sets the count to -1 (nothing downloaded).
  void Reset();
  // Makes room for `pages` pages, none of them arrived yet: false when the
  // memory cannot be had (the store is then empty).
  bool Prepare(int pages, int first_index);
  // Keeps one page of 264 bytes.
  void StorePage(int page, const std::uint8_t* bytes);

  // Counts the usable records: pages in order (the first from the first-
  // record index), a record counting while its time stamp is a clock time and
  // it is later than the last one counted; the first one that is not ends
  // that page. Pages that never arrived are left out. The count starts at -1.
  int CountRecords();

  int Count() const { return count_; }
  void SetCount(int count) { count_ = count; }
  int Pages() const { return pages_; }
  int FirstIndex() const { return first_index_; }
  // The 52 bytes of counted record `index` (0 <= index <= Count()), else null.
  const std::uint8_t* Record(int index) const;

 private:
  int pages_ = 0;
  int first_index_ = 0;
  int count_ = -1;
  std::vector<std::uint8_t> bytes_;
  std::vector<bool> arrived_;
  std::vector<std::size_t> counted_;  // byte offsets of the counted records, in order
};

// The archive state of the library: the store, the archive period read at
// download and the wind samples expected per period.
struct ArchiveState {
  ArchiveStore store;
  int period_minutes = 0;
  int expected_wind_samples = 0;
};

ArchiveState& GetArchiveState();

}  // namespace orbisk::archive
