#include "agent/core/upload_queue.h"

#include <mutex>

namespace agent::publication {

std::string QueueKey(std::string_view localPath) {
  std::string key(localPath);
  for (char& c : key)
    if (c == '\\' || c == ':' || c == '/') c = '_';
  return key;
}

std::string EnterUploadQueue(AgentState& state, const std::string& localPath) {
  std::string key = QueueKey(localPath);
  std::lock_guard<std::recursive_mutex> queueLock(state.queueLock);
  state.uploadQueue.Set(key, localPath);
  return key;
}

bool QueueUpload(AgentContext& context, const std::string& localPath) {
  const std::string key = QueueKey(localPath);
  std::lock_guard<std::recursive_mutex> queueLock(context.state.queueLock);
  LogMessage(context, "[AjoutPoolFtp] : Ajout dans la file d'attente du FTP le fichier " + localPath + " (" +
                          key + ").");
  context.state.uploadQueue.Set(key, localPath);
  return true;
}

}  // namespace agent::publication
