// The cache directory on disk, with the upload queue given by the caller.
#pragma once

#include <functional>
#include <string>

#include "agent/images/icon_output.h"
#include "platform/env.h"

namespace agent::images {

class FileIconOutput final : public IconOutput {
 public:
  using QueueFunction = std::function<void(const std::string& path)>;
  FileIconOutput(platform::Env& env, QueueFunction queue) : env_(env), queue_(std::move(queue)) {}

  // Temporary file in the same directory, renamed over the target.
  bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
  void RemoveFile(const std::string& path) override;
  void QueueUpload(const std::string& path) override;

 private:
  platform::Env& env_;
  QueueFunction queue_;
};

}  // namespace agent::images
