#include "agent/images/agent_icons.h"

#include "agent/core/upload_queue.h"
#include "agent/images/file_icon_output.h"
#include "platform/files.h"

namespace agent::images {

bool AgentIconOutput::ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  return platform::WriteFileAtomically(
      path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void AgentIconOutput::RemoveFile(const std::string& path) {
  platform::DeleteFile(path);
}

void AgentIconOutput::QueueUpload(const std::string& path) {
  publication::QueueUpload(context_, path);
}

int SetConnectionIcon(AgentContext& context, int state) {
  return AgentIcons(context)->SetConnectionIcon(state) ? 1 : 0;
}

bool PublishAlertImage(AgentContext& context, int state) {
  return AgentIcons(context)->AlertIcon(state == 1);
}

int PressureTrendIcon(std::string_view trend_text, const std::string& path) {
  FileIconOutput files(nullptr);
  return IconPublisher(files, "").PressureTrendIcon(trend_text, path) ? 1 : 0;
}

void DrawFirstIcons(AgentContext& context) {
  AgentIcons(context)->DrawFirstIcons();
}

}  // namespace agent::images
