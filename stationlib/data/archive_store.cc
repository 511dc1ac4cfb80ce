#include "stationlib/data/archive_store.h"

#include <cstring>
#include <new>
#include <tuple>

namespace orbisk::archive {
namespace {

int Word(const std::uint8_t* p) {
  return p[0] | (p[1] << 8);
}

constexpr int kLastClockStamp = 2459;  // 24:59

}  // namespace

void ArchiveStore::Reset() {
  pages_ = 0;
  first_index_ = 0;
  count_ = -1;
  bytes_.clear();
  arrived_.clear();
  counted_.clear();
}

bool ArchiveStore::Prepare(int pages, int first_index) {
  Reset();
  if (pages < 0) return false;
  try {
    bytes_.assign(static_cast<std::size_t>(pages) * kStoredPageSize, 0xFF);
    arrived_.assign(static_cast<std::size_t>(pages), false);
  } catch (const std::bad_alloc&) {
    Reset();
    return false;
  }
  pages_ = pages;
  first_index_ = first_index;
  return true;
}

void ArchiveStore::StorePage(int page, const std::uint8_t* bytes) {
  if (page < 0 || page >= pages_) return;
  std::memcpy(bytes_.data() + static_cast<std::size_t>(page) * kStoredPageSize, bytes,
              kStoredPageSize);
  arrived_[static_cast<std::size_t>(page)] = true;
}

int ArchiveStore::CountRecords() {
  counted_.clear();
  count_ = -1;
  // Anything is later than 1 Jan 1900 0:00, which no stamp can name.
  std::tuple<int, int> last{-1, -1};
  for (int page = 0; page < pages_; ++page) {
    const int start = page == 0 ? first_index_ : 0;
    if (!arrived_[static_cast<std::size_t>(page)] || start >= kRecordsPerPage) continue;
    for (int slot = start; slot < kRecordsPerPage; ++slot) {
      const std::size_t at = static_cast<std::size_t>(page) * kStoredPageSize +
                             static_cast<std::size_t>(slot) * kRecordSize;
      const std::uint8_t* r = bytes_.data() + at;
      const int time = Word(r + 2);
      const std::tuple<int, int> stamp{Word(r), time};
      if (time > kLastClockStamp || time / 100 > 24 || time % 100 > 59 || !(stamp > last)) break;
      last = stamp;
      counted_.push_back(at);
      ++count_;
    }
  }
  return count_;
}

const std::uint8_t* ArchiveStore::Record(int index) const {
  // The count starts at -1, so the last record's index equals Count().
  if (index < 0 || index > count_ || static_cast<std::size_t>(index) >= counted_.size())
    return nullptr;
  return bytes_.data() + counted_[static_cast<std::size_t>(index)];
}

ArchiveState& GetArchiveState() {
  static ArchiveState state;
  return state;
}

}  // namespace orbisk::archive
