#include "agent/images/agent_icons.h"

#include "agent/core/upload_queue.h"
#include "agent/images/file_icon_output.h"
#include "platform/env.h"

namespace agent::images {

bool AgentIconOutput::ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  return context_.NoteWrite(
      WrittenFile::kImage,
      context_.env().WriteFileAtomically(
          path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())),
      "[BRUMALWEB] : Ecriture impossible de l'image " + path,
      "[BRUMALWEB] : Images de nouveau écrites dans " + platform::DirectoryPart(path));
}

void AgentIconOutput::RemoveFile(const std::string& path) {
  context_.env().DeleteFile(path);
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

int PressureTrendIcon(platform::Env& env, std::string_view trend_text, const std::string& path) {
  FileIconOutput files(env, nullptr);
  return IconPublisher(files, "").PressureTrendIcon(trend_text, path) ? 1 : 0;
}

void DrawFirstIcons(AgentContext& context) {
  AgentIcons(context)->DrawFirstIcons();
}

}  // namespace agent::images
