#include "agent/images/file_icon_output.h"

#include <string_view>

#include "platform/files.h"

namespace agent::images {

bool FileIconOutput::ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  return platform::WriteFileAtomically(
      path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void FileIconOutput::RemoveFile(const std::string& path) {
  platform::DeleteFile(path);
}

void FileIconOutput::QueueUpload(const std::string& path) {
  if (queue_) queue_(path);
}

}  // namespace agent::images
