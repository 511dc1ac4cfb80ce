#include "agent/publication/push_engine.h"

#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace agent::publication {
namespace {

constexpr const char* kEngine = "[MoteurPushFTP] : ";

void Log(AgentContext& context, const std::string& text) { LogMessage(context, kEngine + text); }

// What the server or the client said about a failure, for the journal.
void LogFailureDetail(AgentContext& context, const FtpResult& result) {
  std::string detail = std::string("Détail : étape ") + ftp_step_name(result.step);
  if (result.reply_code != 0) detail += ", réponse " + std::to_string(result.reply_code) + " " + result.reply_text;
  if (!result.message.empty()) detail += ", " + result.message;
  Log(context, detail);
}

std::string RemoteName(const std::string& localPath) {
  const std::size_t cut = localPath.find_last_of("\\/");
  return cut == std::string::npos ? localPath : localPath.substr(cut + 1);
}

bool HoldsLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// Walks from the login directory to the remote directory, creating each level.
bool WalkToRemoteDirectory(AgentContext& context, FtpConnection& ftp, const std::string& root) {
  bool ok = false;
  for (const std::string& level : RemoteDirectoryLevels(root)) {
    const std::string cwd = ftp.current_directory();
    ftp.make_directory(level);  // an existing directory or an empty name does no harm
    Log(context, "Déplacement dans le répertoire => " + level);
    if (ftp.change_directory(cwd + "/" + level).ok) {
      ok = true;
      Log(context, "Changement de répertoire réussi.");
    } else {
      ok = false;
      Log(context, "Erreur de changement de répertoire > " + level);
      break;
    }
  }
  return ok;
}

// Uploads the queue in table order; false at the first failed upload. A file
// that no longer exists can never be sent: its entry is dropped, and the push
// goes on, so it cannot block the queue for ever.
bool UploadQueuedFiles(AgentContext& context, FtpConnection& ftp, const UploadObserver& onUploaded) {
  auto& queue = context.state.uploadQueue;
  std::vector<std::pair<std::string, std::string>> entries;
  queue.ForEach([&entries](const std::string& key, const std::string& path) { entries.emplace_back(key, path); });
  Log(context, "Nombre de fichiers à traiter pour le transfert : " + std::to_string(entries.size()));

  std::vector<std::string> vanished;
  bool failed = false;
  for (const auto& [key, path] : entries) {
    Log(context, "Transfert du fichier => " + path);
    if (!platform::FileExists(path)) {
      Log(context, "Le fichier " + path + " n'existe plus, il est retiré de la file d'attente.");
      vanished.push_back(key);
      continue;
    }
    const std::string remoteName = RemoteName(path);
    FtpResult result;
    if (HoldsLineBreak(remoteName)) {
      result.ok = false;
      result.step = FtpStep::transfer;
      result.message = "nom de fichier avec un retour à la ligne, non envoyé";
    } else {
      result = ftp.upload_file(path, remoteName);
    }
    if (!result.ok) {
      Log(context, "Erreur de transfert FTP sur le fichier : " + path);
      LogFailureDetail(context, result);
      failed = true;
      break;
    }
    Log(context, "Envoye FTP effectuée correctement.");
    if (onUploaded) onUploaded(path);
  }

  if (!failed) {
    queue.Clear();
  } else if (!vanished.empty()) {
    // Rebuilt without the dropped entries, keeping the table order of the rest.
    agent::UploadQueue kept;
    queue.ForEach([&](const std::string& key, const std::string& path) {
      for (const std::string& gone : vanished)
        if (gone == key) return;
      kept.Set(key, path);
    });
    queue = std::move(kept);
  }
  return !failed;
}

}  // namespace

FtpSettings ClientSettings(AgentContext& context, const PushSettings& settings) {
  FtpSettings client;
  client.host = settings.host;
  client.port = static_cast<std::uint16_t>(settings.port);
  client.user = settings.user;
  client.password = settings.password;
  client.passive = settings.passive != 0;
  client.tls = settings.tls == 1   ? FtpTlsMode::explicit_tls
               : settings.tls == 2 ? FtpTlsMode::implicit_tls
                                   : FtpTlsMode::none;
  client.tls_verify = settings.tlsVerify;
  client.tls_ca_file = settings.tlsCaFile;
  if (settings.timeoutSeconds > 0) {
    const std::chrono::milliseconds timeout(std::chrono::seconds(settings.timeoutSeconds));
    client.connect_timeout = client.reply_timeout = client.stall_timeout = timeout;
  }
  client.journal = [&context](const std::string& line) { LogMessage(context, line); };
  return client;
}

void RunOnePush(AgentContext& context, const PushSettings& settings, const FtpConnectionFactory& connect,
                const UploadObserver& onUploaded) {
  std::lock_guard<std::recursive_mutex> publicationLock(context.state.publicationLock);
  std::lock_guard<std::recursive_mutex> queueLock(context.state.queueLock);
  Log(context, "Connexion en mode passif ? " + std::to_string(settings.passive));

  std::unique_ptr<FtpConnection> ftp;
  FtpResult opened;
  if (settings.port <= 0 || settings.port > 65535) {
    opened.ok = false;
    opened.step = FtpStep::connect;
    opened.message = "port " + std::to_string(settings.port) + " invalide";
  } else {
    ftp = connect(ClientSettings(context, settings));
    opened = ftp->open();
  }
  if (!opened.ok) {
    Log(context, "Erreur d'ouverture du FTP");
    LogFailureDetail(context, opened);
    if (ftp) ftp->close();
    return;
  }
  Log(context, "Ouverture du FTP OK");

  if (WalkToRemoteDirectory(context, *ftp, settings.root))
    UploadQueuedFiles(context, *ftp, onUploaded);
  else
    Log(context, "Pas de possibilité des faire un transfert de fichier.");

  ftp->close();
  Log(context, "Fermeture de la connexion FTP");
}

void RunFtpPush(AgentContext& context, const FtpConnectionFactory& connect, const UploadObserver& onUploaded) {
  const PushSettings settings = PushSettings::FromConfiguration(context);
  while (!context.StopRequested()) {
    if (settings.host.empty() || !context.state.pushDue.IsSet()) {
      if (!context.Sleep(1000)) return;
      continue;
    }
    context.state.pushDue.Clear();
    RunOnePush(context, settings, connect, onUploaded);
  }
}

}  // namespace agent::publication
