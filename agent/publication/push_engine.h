#pragma once
// The FTP push engine: whenever a push is due, uploads the whole upload queue
// over one FTP connection into the remote directory, and empties the queue
// only when every upload succeeded.

#include <functional>
#include <memory>
#include <string>

#include "agent/core/agent_context.h"
#include "agent/publication/ftp_client.h"
#include "agent/publication/push_settings.h"

namespace agent::publication {

using FtpConnectionFactory = std::function<std::unique_ptr<FtpConnection>(FtpSettings settings)>;

// Told of each file the push has stored on the server (called on the push
// thread, with the publication and queue locks held).
using UploadObserver = std::function<void(const std::string& local_path)>;

// The client settings for one push (time-outs on every wait).
FtpSettings ClientSettings(AgentContext& context, const PushSettings& settings);

// One push: connect, walk to the remote directory, upload every queued file.
// Takes the publication lock, then the queue lock, for the whole push.
void RunOnePush(AgentContext& context, const PushSettings& settings,
                const FtpConnectionFactory& connect, const UploadObserver& on_uploaded = {});

// The engine's thread body: reads the settings, then looks at the push-due
// flag every 1000 ms and pushes when it is set, until a stop is asked.
void RunFtpPush(AgentContext& context, const FtpConnectionFactory& connect,
                const UploadObserver& on_uploaded = {});

}  // namespace agent::publication
