#include "agent/core/upload_queue.h"

#include <mutex>

namespace agent::publication {

std::string QueueKey(std::string_view local_path) {
  std::string key(local_path);
  for (char& c : key)
    if (c == '\\' || c == ':' || c == '/') c = '_';
  return key;
}

std::string EnterUploadQueue(AgentState& state, const std::string& local_path) {
  std::string key = QueueKey(local_path);
  std::lock_guard<platform::EnvMutex> queue_lock(state.queue_lock);
  state.upload_queue.Set(key, local_path);
  return key;
}

bool QueueUpload(AgentContext& context, const std::string& local_path) {
  const std::string key = QueueKey(local_path);
  std::lock_guard<platform::EnvMutex> queue_lock(context.state.queue_lock);
  LogMessage(context, "[AjoutPoolFtp] : Ajout dans la file d'attente du FTP le fichier " +
                          local_path + " (" + key + ").");
  context.state.upload_queue.Set(key, local_path);
  return true;
}

}  // namespace agent::publication
