#include "agent/publication/push_engine.h"

#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace agent::publication {
namespace {

constexpr const char* kEngine = "[MoteurPushFTP] : ";

void Log(AgentContext& context, const std::string& text) {
  LogMessage(context, kEngine + text);
}

const char* StepText(FtpStep step) {
  switch (step) {
    case FtpStep::kNone:
      return "aucune";
    case FtpStep::kConnect:
      return "connexion";
    case FtpStep::kLogin:
      return "identification";
    case FtpStep::kDirectory:
      return "répertoire";
    case FtpStep::kTransfer:
      return "transfert";
    case FtpStep::kClose:
      return "fermeture";
  }
  return "inconnue";
}

// Empty for a refusal: the server's reply says it.
const char* CauseText(FtpCause cause) {
  switch (cause) {
    case FtpCause::kNone:
    case FtpCause::kRefused:
      return "";
    case FtpCause::kUnreachable:
      return "serveur injoignable";
    case FtpCause::kNoReply:
      return "pas de réponse du serveur dans le délai";
    case FtpCause::kConnectionLost:
      return "connexion de contrôle perdue";
    case FtpCause::kNotAReply:
      return "réponse du serveur illisible";
    case FtpCause::kTls:
      return "échec de la négociation TLS";
    case FtpCause::kDataConnection:
      return "connexion de données impossible";
    case FtpCause::kStalled:
      return "transfert de données bloqué au-delà du délai";
    case FtpCause::kDataBroken:
      return "connexion de données rompue";
    case FtpCause::kLocalFile:
      return "fichier local illisible";
    case FtpCause::kBadName:
      return "nom avec un retour à la ligne, non envoyé";
    case FtpCause::kNotUsable:
      return "connexion inutilisable après l'erreur précédente";
    case FtpCause::kStopped:
      return "arrêt de l'agent demandé";
  }
  return "";
}

// Step and cause of a failure, in the journal's words. The server's reply is
// kept on one line, and a server that echoes the password does not get it
// into the journal.
void LogFailureDetail(AgentContext& context, const FtpResult& result, const std::string& password) {
  std::string detail = std::string("Détail : étape ") + StepText(result.step);
  if (result.reply_code != 0) {
    std::string reply = result.reply_text;
    for (char& c : reply)
      if (c == '\n' || c == '\r') c = ' ';
    if (!password.empty())
      for (std::size_t at = reply.find(password); at != std::string::npos;
           at = reply.find(password, at + 4))
        reply.replace(at, password.size(), "****");
    detail += ", réponse du serveur : " + reply;
  }
  // The engine's own causes come as French messages, with no client cause.
  const std::string cause =
      result.cause == FtpCause::kNone ? result.message : CauseText(result.cause);
  if (!cause.empty()) detail += ", " + cause;
  Log(context, detail);
}

std::string RemoteName(const std::string& local_path) {
  const std::size_t cut = local_path.find_last_of("\\/");
  return cut == std::string::npos ? local_path : local_path.substr(cut + 1);
}

bool HoldsLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

// Walks from the login directory to the remote directory, creating each level.
bool WalkToRemoteDirectory(AgentContext& context, FtpConnection& ftp,
                           const PushSettings& settings) {
  bool ok = false;
  for (const std::string& level : RemoteDirectoryLevels(settings.root)) {
    const std::string cwd = ftp.current_directory();
    ftp.MakeDirectory(level);  // an existing directory or an empty name does no harm
    Log(context, "Déplacement dans le répertoire => " + level);
    const FtpResult changed = ftp.ChangeDirectory(cwd + "/" + level);
    if (changed.ok) {
      ok = true;
      Log(context, "Changement de répertoire réussi.");
    } else {
      ok = false;
      Log(context, "Erreur de changement de répertoire > " + level);
      LogFailureDetail(context, changed, settings.password);
      break;
    }
  }
  return ok;
}

// Uploads the queue in table order; false at the first failed upload. A file
// that no longer exists can never be sent: its entry is dropped, and the push
// goes on, so it cannot block the queue for ever.
bool UploadQueuedFiles(AgentContext& context, FtpConnection& ftp, const PushSettings& settings,
                       const UploadObserver& on_uploaded) {
  auto& queue = context.state.upload_queue;
  std::vector<std::pair<std::string, std::string>> entries;
  queue.ForEach([&entries](const std::string& key, const std::string& path) {
    entries.emplace_back(key, path);
  });
  Log(context,
      "Nombre de fichiers à traiter pour le transfert : " + std::to_string(entries.size()));

  std::vector<std::string> vanished;
  bool failed = false;
  for (const auto& [key, path] : entries) {
    Log(context, "Transfert du fichier => " + path);
    if (!context.env().FileExists(path)) {
      Log(context, "Le fichier " + path + " n'existe plus, il est retiré de la file d'attente.");
      vanished.push_back(key);
      continue;
    }
    const std::string remote_name = RemoteName(path);
    FtpResult result;
    if (HoldsLineBreak(remote_name)) {
      result.ok = false;
      result.step = FtpStep::kTransfer;
      result.cause = FtpCause::kBadName;
    } else {
      result = ftp.UploadFile(path, remote_name);
    }
    if (!result.ok) {
      Log(context, "Erreur de transfert FTP sur le fichier : " + path);
      LogFailureDetail(context, result, settings.password);
      failed = true;
      break;
    }
    Log(context, "Envoye FTP effectuée correctement.");
    if (on_uploaded) on_uploaded(path);
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
  client.env = &context.env();
  client.host = settings.host;
  client.port = static_cast<std::uint16_t>(settings.port);
  client.user = settings.user;
  client.password = settings.password;
  client.passive = settings.passive != 0;
  client.tls = settings.tls == 1   ? FtpTlsMode::kExplicitTls
               : settings.tls == 2 ? FtpTlsMode::kImplicitTls
                                   : FtpTlsMode::kNone;
  client.tls_verify = settings.tls_verify;
  client.tls_ca_file = settings.tls_ca_file;
  if (settings.timeout_seconds > 0) {
    const std::chrono::milliseconds timeout(std::chrono::seconds(settings.timeout_seconds));
    client.connect_timeout = client.reply_timeout = client.stall_timeout = timeout;
  }
  client.stop = &context.stop_flag();
  client.journal = [&context](const std::string& line) { LogMessage(context, line); };
  return client;
}

void RunOnePush(AgentContext& context, const PushSettings& settings,
                const FtpConnectionFactory& connect, const UploadObserver& on_uploaded) {
  std::lock_guard<platform::EnvMutex> publication_lock(context.state.publication_lock);
  std::lock_guard<platform::EnvMutex> queue_lock(context.state.queue_lock);
  Log(context, "Connexion en mode passif ? " + std::to_string(settings.passive));

  std::unique_ptr<FtpConnection> ftp;
  FtpResult opened;
  if (settings.port <= 0 || settings.port > 65535) {
    opened.ok = false;
    opened.step = FtpStep::kConnect;
    opened.message = "port " + std::to_string(settings.port) + " invalide";
  } else {
    ftp = connect(ClientSettings(context, settings));
    opened = ftp->Open();
  }
  if (!opened.ok) {
    Log(context, "Erreur d'ouverture du FTP");
    LogFailureDetail(context, opened, settings.password);
    if (ftp) ftp->Close();
    return;
  }
  Log(context, "Ouverture du FTP OK");

  if (WalkToRemoteDirectory(context, *ftp, settings))
    UploadQueuedFiles(context, *ftp, settings, on_uploaded);
  else
    Log(context, "Pas de possibilité des faire un transfert de fichier.");

  const FtpResult closed = ftp->Close();
  if (!closed.ok) LogFailureDetail(context, closed, settings.password);
  Log(context, "Fermeture de la connexion FTP");
}

void RunFtpPush(AgentContext& context, const FtpConnectionFactory& connect,
                const UploadObserver& on_uploaded) {
  const PushSettings settings = PushSettings::FromConfiguration(context);
  while (!context.StopRequested()) {
    if (settings.host.empty() || !context.state.push_due.IsSet()) {
      if (!context.Sleep(1000)) return;
      continue;
    }
    context.state.push_due.Clear();
    RunOnePush(context, settings, connect, on_uploaded);
  }
}

}  // namespace agent::publication
