#include "agent/images/file_icon_output.h"

#include <string_view>

#include "platform/env.h"

namespace agent::images {

bool FileIconOutput::ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  return static_cast<bool>(env_.WriteFileAtomically(
      path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

void FileIconOutput::RemoveFile(const std::string& path) {
  env_.DeleteFile(path);
}

void FileIconOutput::QueueUpload(const std::string& path) {
  if (queue_) queue_(path);
}

}  // namespace agent::images
