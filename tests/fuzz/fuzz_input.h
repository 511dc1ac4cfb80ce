// Reading a fuzz input as a small structure: bytes, words and length-prefixed
// pieces, each running short (never failing) when the input ends.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : data_(data), size_(data == nullptr ? 0 : size) {}

  bool empty() const { return at_ >= size_; }
  std::size_t left() const { return size_ - at_; }

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t Word() {
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
  }
  // Up to `n` bytes.
  std::string_view Take(std::size_t n) {
    n = std::min(n, left());
    std::string_view piece(reinterpret_cast<const char*>(data_) + at_, n);
    at_ += n;
    return piece;
  }
  // A piece whose length comes first, as one byte.
  std::string_view ShortPiece() { return Take(Byte()); }
  // Everything up to `separator` (dropped) or the end.
  std::string_view Until(std::string_view separator) {
    const std::string_view rest(reinterpret_cast<const char*>(data_) + at_, left());
    const std::size_t found = rest.find(separator);
    if (found == std::string_view::npos) {
      at_ = size_;
      return rest;
    }
    at_ += found + separator.size();
    return rest.substr(0, found);
  }
  std::string_view Rest() { return Take(left()); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace fuzz
