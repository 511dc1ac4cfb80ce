#pragma once
// The agent's keyed table: 512 hash buckets from a case-sensitive text key to
// an element. Iteration walks the buckets in order and, inside a bucket, the
// keys in insertion order; the hash is fixed (FNV-1a), so the same keys
// inserted in the same order always iterate in the same order.
// Not synchronised: callers hold the lock that guards the table.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace agent {

inline constexpr std::size_t kKeyedTableBuckets = 512;

inline std::size_t KeyedTableBucket(std::string_view key) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : key) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash % kKeyedTableBuckets;
}

template <typename Element>
class KeyedTable {
 public:
  struct Entry {
    std::string key;
    Element value{};
  };

  KeyedTable() = default;
  KeyedTable(const KeyedTable& other) { *this = other; }
  KeyedTable& operator=(const KeyedTable& other) {
    if (this != &other) {
      Clear();
      other.ForEach([this](const std::string& k, const Element& v) { Set(k, v); });
    }
    return *this;
  }
  KeyedTable(KeyedTable&&) noexcept = default;
  KeyedTable& operator=(KeyedTable&&) noexcept = default;

  // Read with create: the element of `key`, value-initialised when new.
  // The reference stays valid until Clear().
  Element& Get(std::string_view key) {
    if (Element* found = Find(key)) return *found;
    auto& bucket = buckets_[KeyedTableBucket(key)];
    bucket.push_back(std::make_unique<Entry>(Entry{std::string(key), Element{}}));
    ++count_;
    return bucket.back()->value;
  }

  // Read without create: nullptr when absent.
  Element* Find(std::string_view key) {
    for (auto& entry : buckets_[KeyedTableBucket(key)])
      if (entry->key == key) return &entry->value;
    return nullptr;
  }
  const Element* Find(std::string_view key) const {
    for (const auto& entry : buckets_[KeyedTableBucket(key)])
      if (entry->key == key) return &entry->value;
    return nullptr;
  }
  bool Contains(std::string_view key) const { return Find(key) != nullptr; }

  void Set(std::string_view key, Element value) { Get(key) = std::move(value); }

  // Visits every entry in table order: fn(const std::string& key, Element& value).
  template <typename Fn>
  void ForEach(Fn&& fn) {
    for (auto& bucket : buckets_)
      for (auto& entry : bucket) fn(static_cast<const std::string&>(entry->key), entry->value);
  }
  template <typename Fn>
  void ForEach(Fn&& fn) const {
    for (const auto& bucket : buckets_)
      for (const auto& entry : bucket) fn(entry->key, static_cast<const Element&>(entry->value));
  }

  // The keys in table order.
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    keys.reserve(count_);
    ForEach([&keys](const std::string& k, const Element&) { keys.push_back(k); });
    return keys;
  }

  std::size_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }

  void Clear() {
    for (auto& bucket : buckets_) bucket.clear();
    count_ = 0;
  }

 private:
  std::array<std::vector<std::unique_ptr<Entry>>, kKeyedTableBuckets> buckets_;
  std::size_t count_ = 0;
};

}  // namespace agent
