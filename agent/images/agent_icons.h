// The pictures of the running agent: the publisher over the context's cache
// directory and the agent's upload queue, and the entry points the other
// engines call.
#pragma once

#include <string>
#include <string_view>

#include "agent/core/agent_context.h"
#include "agent/images/icon_output.h"
#include "agent/images/icon_publisher.h"

namespace agent::images {

// Files through the platform layer (replaced by rename); queue entries through
// QueueUpload with its journal line.
class AgentIconOutput final : public IconOutput {
 public:
  explicit AgentIconOutput(AgentContext& context) : context_(context) {}
  bool ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
  void RemoveFile(const std::string& path) override;
  void QueueUpload(const std::string& path) override;

 private:
  AgentContext& context_;
};

// A publisher for one step: cheap to make, holds nothing between calls.
class AgentIcons {
 public:
  explicit AgentIcons(AgentContext& context)
      : output_(context), publisher_(output_, context.CacheDirectoryPath()) {}
  IconPublisher* operator->() { return &publisher_; }
  IconPublisher& publisher() { return publisher_; }

 private:
  AgentIconOutput output_;
  IconPublisher publisher_;
};

// Acquisition engine: the connection icon for a link state (1 when written).
int SetConnectionIcon(AgentContext& context, int state);

// Alarm watch and start-up: the alert picture (state 1) or the quiet one,
// replacing "ico_alerte.png" whole (temporary file, then rename). True when it
// was written and queued; when the write fails nothing is queued.
bool PublishAlertImage(AgentContext& context, int state);

// Catalogue: the trend picture written at `path`, not queued (1 when written).
int PressureTrendIcon(platform::Env& env, std::string_view trend_text, const std::string& path);

// Start-up image hook for InitialiseTags: the activity connection icon, the
// dry rain icon, the not-cold icon and the bare rose. (The alarm watch draws
// the quiet alert image, so that it knows whether the site has it.)
void DrawFirstIcons(AgentContext& context);

}  // namespace agent::images
