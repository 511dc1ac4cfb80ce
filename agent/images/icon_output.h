// Where published pictures go: the cache directory and the upload queue.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace agent::images {

class IconOutput {
 public:
  virtual ~IconOutput() = default;
  // Replaces the file so that a reader sees the old or the new file whole,
  // never a part of one; false (and the old file untouched) on failure.
  virtual bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) = 0;
  // Removes the file; a missing file is fine.
  virtual void RemoveFile(const std::string& path) = 0;
  // Enters the file in the upload queue.
  virtual void QueueUpload(const std::string& path) = 0;
};

}  // namespace agent::images
