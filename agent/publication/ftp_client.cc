// The FTP client's state machine. Every wait has its own deadline: connects
// and accepts the connect time-out, each reply the reply time-out, and each
// slice of a data transfer the stall time-out.
#include "agent/publication/ftp_client.h"

#include <optional>
#include <vector>

#include "agent/publication/channel.h"
#include "agent/publication/ftp_replies.h"
#include "agent/publication/tls_channel.h"

namespace agent {
namespace {

namespace net = platform::net;
using ftp_detail::Channel;
using ftp_detail::ChannelResult;
using ftp_detail::TlsContext;

constexpr std::size_t kChunk = 64 * 1024;
constexpr auto kQuitWait = std::chrono::milliseconds(2000);

const std::string kTag = "[MoteurPushFTP] : ";

struct Reply {
  int code = 0;
  std::string text;
  std::string failure;  // empty when a reply arrived
  FtpCause cause = FtpCause::kNone;
  bool ok() const { return failure.empty(); }
};

// Why a data transfer ended early; empty message when it did not.
struct Problem {
  FtpCause cause = FtpCause::kNone;
  std::string message;
};

// Where the bytes of an upload come from.
using Source = std::function<bool(std::vector<char>& chunk, std::string& error)>;

class FtpClient final : public FtpConnection {
 public:
  explicit FtpClient(FtpSettings settings) : settings_(std::move(settings)) {}
  ~FtpClient() override { Close(); }

  FtpResult Open() override;
  std::string current_directory() override;
  FtpResult MakeDirectory(const std::string& name) override;
  FtpResult ChangeDirectory(const std::string& path) override;
  FtpResult UploadFile(const std::string& local_path, const std::string& remote_name) override;
  FtpResult UploadBuffer(const void* data, std::size_t size,
                         const std::string& remote_name) override;
  FtpResult Close() override;
  FtpState state() const override { return state_; }

 private:
  void Enter(FtpState next);
  bool Stopped() const { return settings_.stop && settings_.stop->IsSet(); }
  void Debug(const std::string& line) const {
    if (settings_.debug_log) settings_.debug_log(line);
  }
  void journal(const std::string& line) const {
    if (settings_.journal) settings_.journal(kTag + line);
  }
  FtpResult Fail(FtpStep step, const Reply& reply, FtpCause cause, const std::string& message);
  FtpResult Fail(FtpStep step, FtpCause cause, const std::string& message) {
    return Fail(step, Reply{}, cause, message);
  }
  // A failure to get a reply at all.
  FtpResult Lost(FtpStep step, const Reply& reply) {
    return Fail(step, reply, reply.cause, reply.failure);
  }
  // The agent's stop, else `otherwise`, for a wait that ended with `status`.
  static FtpCause CauseOf(net::Status status, FtpCause otherwise) {
    return status == net::Status::kStopped ? FtpCause::kStopped : otherwise;
  }

  Reply ReadReply(std::chrono::milliseconds timeout);
  Reply Command(const std::string& line);
  bool SendLine(const std::string& line, Reply& reply);
  FtpResult OpenSession();
  bool SecureControl(FtpResult& result);
  FtpResult Upload(const std::string& remote_name, const Source& source);
  std::unique_ptr<Channel> SecureData(net::Socket socket, FtpResult& result);
  bool ConnectPassive(const net::Endpoint& peer, net::Socket& data, FtpResult& result);
  bool ListenActive(net::Socket& listener, FtpResult& result);
  bool AcceptActive(const net::Socket& listener, const net::Endpoint& peer, net::Socket& data,
                    FtpResult& result);
  Problem SendData(Channel& data, const Source& source);
  bool usable(FtpStep step, FtpResult& result);

  FtpSettings settings_;
  FtpState state_ = FtpState::kDisconnected;
  std::unique_ptr<Channel> control_;
  std::unique_ptr<TlsContext> tls_;
  std::string pending_;  // bytes received after the last reply
  bool epsv_refused_ = false;
  bool eprt_refused_ = false;
  bool newest_tls_ = false;           // the server refused TLS 1.2: offer the newest version
  bool tls_version_refused_ = false;  // the last negotiation failed on the version
};

void FtpClient::Enter(FtpState next) {
  if (next == state_) return;
  Debug(std::string("FTP state ") + FtpStateName(state_) + " -> " + FtpStateName(next));
  state_ = next;
}

FtpResult FtpClient::Fail(FtpStep step, const Reply& reply, FtpCause cause,
                          const std::string& message) {
  FtpResult result;
  result.ok = false;
  result.step = step;
  result.cause = cause;
  result.reply_code = reply.code;
  result.reply_text = reply.text;
  result.message = message;
  Debug(std::string("FTP failure at ") + FtpStepName(step) + ": " + message +
        (reply.code ? " (" + reply.text + ")" : ""));
  return result;
}

bool FtpClient::SendLine(const std::string& line, Reply& reply) {
  const std::string shown = line.rfind("PASS ", 0) == 0 ? "PASS ****" : line;
  Debug("FTP > " + shown);
  const std::string wire = line + "\r\n";
  ChannelResult sent =
      control_->SendAll(wire.data(), wire.size(), net::DeadlineAfter(settings_.reply_timeout));
  if (sent.ok()) return true;
  reply.failure = "cannot send " + shown.substr(0, shown.find(' ')) + ": " + sent.message;
  reply.cause = CauseOf(sent.status, FtpCause::kConnectionLost);
  Enter(FtpState::kBroken);
  return false;
}

// One reply, single- or multi-line. A silent server ends it at the deadline.
Reply FtpClient::ReadReply(std::chrono::milliseconds timeout) {
  const net::Deadline deadline = net::DeadlineAfter(timeout);
  Reply reply;
  ftp_detail::ReplyAssembler assembler;
  char buffer[4096];
  for (;;) {
    std::string line;
    if (!ftp_detail::TakeLine(pending_, line)) {
      ChannelResult got = control_->ReceiveSome(buffer, sizeof buffer, deadline);
      if (!got.ok()) {
        reply.failure =
            got.status == net::Status::kTimedOut  ? "no reply from the server (timed out)"
            : got.status == net::Status::kStopped ? "stopped while waiting for the server"
                                                  : "control connection lost: " + got.message;
        reply.cause = got.status == net::Status::kTimedOut
                          ? FtpCause::kNoReply
                          : CauseOf(got.status, FtpCause::kConnectionLost);
        Enter(FtpState::kBroken);
        return reply;
      }
      pending_.append(buffer, got.bytes);
      ftp_detail::BoundPending(pending_);
      continue;
    }
    Debug("FTP < " + line);
    const ftp_detail::ReplyAssembler::Progress progress = assembler.AddLine(line);
    if (progress == ftp_detail::ReplyAssembler::Progress::kMore) continue;
    reply.code = assembler.code();
    reply.text = assembler.text();
    if (progress == ftp_detail::ReplyAssembler::Progress::kNotAReply) {
      reply.failure = "the server sent a line that is no FTP reply";
      reply.cause = FtpCause::kNotAReply;
      Enter(FtpState::kBroken);
    }
    return reply;
  }
}

Reply FtpClient::Command(const std::string& line) {
  Reply reply;
  if (!SendLine(line, reply)) return reply;
  return ReadReply(settings_.reply_timeout);
}

bool FtpClient::usable(FtpStep step, FtpResult& result) {
  if (control_ && state_ == FtpState::kReady) return true;
  result = Fail(step, FtpCause::kNotUsable,
                std::string("the connection is not usable (") + FtpStateName(state_) + ")");
  return false;
}

bool FtpClient::SecureControl(FtpResult& result) {
  std::string error;
  tls_ = TlsContext::Create(settings_.tls_verify, settings_.tls_ca_file, newest_tls_, &error);
  if (!tls_) {
    journal("Échec de la négociation TLS : " + error);
    result = Fail(FtpStep::kConnect, FtpCause::kTls, "TLS set-up failed: " + error);
    return false;
  }
  if (!settings_.tls_verify)
    journal("Attention : le certificat du serveur n'est pas vérifié (FTP_tls_verify = 0).");
  ftp_detail::TlsOutcome outcome;
  net::Socket socket = control_->TakeSocket();
  control_.reset();
  auto channel = tls_->Connect(std::move(socket), settings_.host, false,
                               net::DeadlineAfter(settings_.connect_timeout), &outcome);
  if (!channel) {
    tls_version_refused_ = outcome.version_refused && !newest_tls_;
    if (tls_version_refused_) {
      journal("Le serveur refuse TLS 1.2 : nouvel essai avec la version la plus récente.");
    } else if (!Stopped()) {  // a negotiation cut short by the stop is no TLS failure
      journal(outcome.certificate_rejected ? "Certificat du serveur refusé : " + outcome.reason
                                           : "Échec de la négociation TLS : " + outcome.reason);
    }
    Enter(FtpState::kBroken);
    result = Fail(FtpStep::kConnect, Stopped() ? FtpCause::kStopped : FtpCause::kTls,
                  "TLS negotiation failed: " + outcome.reason);
    return false;
  }
  journal("Connexion sécurisée établie (" + outcome.version + ").");
  control_ = std::move(channel);
  pending_.clear();  // nothing sent in the clear may be read as protected
  return true;
}

FtpResult FtpClient::Open() {
  tls_version_refused_ = false;
  FtpResult result = OpenSession();
  if (tls_version_refused_) {
    newest_tls_ = true;
    result = OpenSession();
  }
  return result;
}

FtpResult FtpClient::OpenSession() {
  Close();
  epsv_refused_ = eprt_refused_ = false;
  FtpResult result;
  Enter(FtpState::kConnecting);
  net::SocketResult connected =
      net::ConnectTcp(settings_.host, settings_.port, net::DeadlineAfter(settings_.connect_timeout),
                      settings_.stop);
  if (!connected.ok()) {
    Enter(FtpState::kDisconnected);
    return Fail(FtpStep::kConnect, CauseOf(connected.status, FtpCause::kUnreachable),
                "cannot connect to " + settings_.host + ":" + std::to_string(settings_.port) +
                    ": " + ftp_detail::DescribeStatus(connected.status, connected.error));
  }
  control_ = ftp_detail::MakePlainChannel(std::move(connected.socket));

  if (settings_.tls == FtpTlsMode::kImplicitTls) {
    Enter(FtpState::kSecuring);
    if (!SecureControl(result)) return result;
  }
  Enter(FtpState::kAwaitingGreeting);
  Reply greeting = ReadReply(settings_.reply_timeout);
  while (greeting.ok() && greeting.code == 120) greeting = ReadReply(settings_.reply_timeout);
  if (!greeting.ok()) return Lost(FtpStep::kConnect, greeting);
  if (greeting.code != 220) {
    Enter(FtpState::kBroken);
    return Fail(FtpStep::kConnect, greeting, FtpCause::kRefused,
                "the server refused the connection");
  }

  if (settings_.tls == FtpTlsMode::kExplicitTls) {
    Enter(FtpState::kSecuring);
    Reply auth = Command("AUTH TLS");
    if (!auth.ok()) return Lost(FtpStep::kConnect, auth);
    if (auth.code != 234) {
      journal("Échec de la négociation TLS : le serveur refuse AUTH TLS (" + auth.text + ").");
      Enter(FtpState::kBroken);
      return Fail(FtpStep::kConnect, auth, FtpCause::kRefused, "the server refused AUTH TLS");
    }
    if (!SecureControl(result)) return result;
  }

  Enter(FtpState::kLoggingIn);
  if (ftp_detail::BreaksCommandLine(settings_.user) ||
      ftp_detail::BreaksCommandLine(settings_.password)) {
    Enter(FtpState::kBroken);
    return Fail(FtpStep::kLogin, FtpCause::kBadName, "user name or password holds CR, LF or NUL");
  }
  Reply user = Command("USER " + settings_.user);
  if (!user.ok()) return Lost(FtpStep::kLogin, user);
  if (user.code == 331) {
    Reply pass = Command("PASS " + settings_.password);
    if (!pass.ok()) return Lost(FtpStep::kLogin, pass);
    user = pass;
  }
  if (user.code != 230) {
    Enter(FtpState::kBroken);
    return Fail(FtpStep::kLogin, user, FtpCause::kRefused, "login refused");
  }

  if (settings_.tls != FtpTlsMode::kNone) {
    Enter(FtpState::kProtecting);
    for (const char* line : {"PBSZ 0", "PROT P"}) {
      Reply reply = Command(line);
      if (!reply.ok()) return Lost(FtpStep::kConnect, reply);
      if (reply.code != 200) {
        journal(std::string("Échec de la négociation TLS : le serveur refuse ") + line + " (" +
                reply.text + ").");
        Enter(FtpState::kBroken);
        return Fail(FtpStep::kConnect, reply, FtpCause::kRefused,
                    std::string("the server refused ") + line);
      }
    }
  }
  Enter(FtpState::kReady);
  return result;
}

std::string FtpClient::current_directory() {
  FtpResult result;
  if (!usable(FtpStep::kDirectory, result)) return {};
  Enter(FtpState::kDirectoryCommand);
  Reply reply = Command("PWD");
  if (!reply.ok()) return {};
  Enter(FtpState::kReady);
  return reply.code == 257 ? ftp_detail::QuotedPath(reply.text) : std::string();
}

FtpResult FtpClient::MakeDirectory(const std::string& name) {
  FtpResult result;
  if (ftp_detail::BreaksCommandLine(name))
    return Fail(FtpStep::kDirectory, FtpCause::kBadName, "directory name holds CR, LF or NUL");
  if (!usable(FtpStep::kDirectory, result)) return result;
  Enter(FtpState::kDirectoryCommand);
  Reply reply = Command("MKD " + name);
  if (!reply.ok()) return Lost(FtpStep::kDirectory, reply);
  Enter(FtpState::kReady);
  return reply.code == 257 ? result
                           : Fail(FtpStep::kDirectory, reply, FtpCause::kRefused, "MKD refused");
}

FtpResult FtpClient::ChangeDirectory(const std::string& path) {
  FtpResult result;
  if (ftp_detail::BreaksCommandLine(path))
    return Fail(FtpStep::kDirectory, FtpCause::kBadName, "directory name holds CR, LF or NUL");
  if (!usable(FtpStep::kDirectory, result)) return result;
  Enter(FtpState::kDirectoryCommand);
  Reply reply = Command("CWD " + path);
  if (!reply.ok()) return Lost(FtpStep::kDirectory, reply);
  Enter(FtpState::kReady);
  return reply.code == 250 ? result
                           : Fail(FtpStep::kDirectory, reply, FtpCause::kRefused, "CWD refused");
}

FtpResult FtpClient::UploadFile(const std::string& local_path, const std::string& remote_name) {
  std::shared_ptr<platform::ReadableFile> file = settings_.env->OpenForReading(local_path);
  if (!file)
    return Fail(FtpStep::kTransfer, FtpCause::kLocalFile,
                "cannot read the local file " + local_path);
  return Upload(remote_name, [file, local_path](std::vector<char>& chunk, std::string& error) {
    chunk.resize(kChunk);
    const std::int64_t got = file->Read(chunk.data(), chunk.size());
    if (got < 0) {
      error = "error while reading the local file " + local_path;
      return false;
    }
    chunk.resize(static_cast<std::size_t>(got));
    return true;
  });
}

FtpResult FtpClient::UploadBuffer(const void* data, std::size_t size,
                                  const std::string& remote_name) {
  std::size_t offset = 0;
  const auto* bytes = static_cast<const char*>(data);
  return Upload(remote_name, [&offset, bytes, size](std::vector<char>& chunk, std::string&) {
    std::size_t count = std::min(kChunk, size - offset);
    chunk.assign(bytes + offset, bytes + offset + count);
    offset += count;
    return true;
  });
}

std::unique_ptr<Channel> FtpClient::SecureData(net::Socket socket, FtpResult& result) {
  if (settings_.tls == FtpTlsMode::kNone) return ftp_detail::MakePlainChannel(std::move(socket));
  ftp_detail::TlsOutcome outcome;
  auto channel = tls_->Connect(std::move(socket), settings_.host, true,
                               net::DeadlineAfter(settings_.connect_timeout), &outcome);
  if (!channel) {
    result = Fail(FtpStep::kTransfer, Stopped() ? FtpCause::kStopped : FtpCause::kTls,
                  "TLS negotiation of the data connection failed: " + outcome.reason);
    return nullptr;
  }
  Debug(std::string("FTP data connection secured, session ") +
        (channel->resumed() ? "resumed" : "new"));
  return channel;
}

// Passive: EPSV, or PASV once EPSV was refused on this connection; the data
// connection goes to the control connection's peer whatever address a 227
// names (servers behind NAT, and hostile ones, send wrong addresses).
bool FtpClient::ConnectPassive(const net::Endpoint& peer, net::Socket& data, FtpResult& result) {
  std::optional<std::uint16_t> port;
  if (!epsv_refused_) {
    Reply epsv = Command("EPSV");
    if (!epsv.ok()) return (result = Lost(FtpStep::kTransfer, epsv), false);
    if (epsv.code == 229) port = ftp_detail::EpsvPort(epsv.text);
    epsv_refused_ = !port;
  }
  if (!port) {
    Reply pasv = Command("PASV");
    if (!pasv.ok()) return (result = Lost(FtpStep::kTransfer, pasv), false);
    if (pasv.code == 227) port = ftp_detail::PasvPort(pasv.text);
    if (!port)
      return (result = Fail(FtpStep::kTransfer, pasv, FtpCause::kRefused, "no passive data port"),
              false);
  }
  auto connected = net::ConnectTcp(peer.address, *port,
                                   net::DeadlineAfter(settings_.connect_timeout), settings_.stop);
  if (!connected.ok())
    return (result = Fail(FtpStep::kTransfer, CauseOf(connected.status, FtpCause::kDataConnection),
                          "cannot open the data connection: " +
                              ftp_detail::DescribeStatus(connected.status, connected.error)),
            false);
  data = std::move(connected.socket);
  return true;
}

// Active: a listener on the control connection's local address, announced by
// EPRT, or by PORT once EPRT was refused on this connection.
bool FtpClient::ListenActive(net::Socket& listener, FtpResult& result) {
  const net::Endpoint local = net::LocalEndpoint(control_->socket()).endpoint;
  net::Listener listening = net::ListenTcp(local.address, 0, 1);
  if (!listening.ok())
    return (result = Fail(FtpStep::kTransfer, FtpCause::kDataConnection,
                          "cannot listen for the data connection: " +
                              ftp_detail::DescribeStatus(listening.status, listening.error)),
            false);
  listening.socket.StopOn(settings_.stop);
  Reply reply;
  bool announced = false;
  if (!eprt_refused_) {
    reply = Command("EPRT " + ftp_detail::EprtArgument(local.address, local.ipv6, listening.port));
    if (!reply.ok()) return (result = Lost(FtpStep::kTransfer, reply), false);
    announced = reply.code == 200;
    eprt_refused_ = !announced;
  }
  const std::string port_text = ftp_detail::PortArgument(local.address, local.ipv6, listening.port);
  if (!announced && !port_text.empty()) {
    reply = Command("PORT " + port_text);
    if (!reply.ok()) return (result = Lost(FtpStep::kTransfer, reply), false);
    announced = reply.code == 200;
  }
  if (!announced)
    return (result = Fail(FtpStep::kTransfer, reply, FtpCause::kRefused, "active mode refused"),
            false);
  listener = std::move(listening.socket);
  return true;
}

// Only the server we talk to may deliver the data connection.
bool FtpClient::AcceptActive(const net::Socket& listener, const net::Endpoint& peer,
                             net::Socket& data, FtpResult& result) {
  const net::Deadline deadline = net::DeadlineAfter(settings_.connect_timeout);
  for (;;) {
    net::Endpoint from;
    auto accepted = net::AcceptTcp(listener, deadline, &from);
    if (!accepted.ok())
      return (result = Fail(FtpStep::kTransfer, CauseOf(accepted.status, FtpCause::kDataConnection),
                            "the server did not open the data connection: " +
                                ftp_detail::DescribeStatus(accepted.status, accepted.error)),
              false);
    if (from.address == peer.address) {
      data = std::move(accepted.socket);
      return true;
    }
    Debug("FTP data connection from " + from.address + " refused");
  }
}

// Sends the whole source and ends the data stream; the reason on failure.
Problem FtpClient::SendData(Channel& data, const Source& source) {
  std::vector<char> chunk;
  for (;;) {
    std::string error;
    if (!source(chunk, error)) return {FtpCause::kLocalFile, error};
    if (chunk.empty()) break;
    ChannelResult sent =
        data.SendAll(chunk.data(), chunk.size(), net::DeadlineAfter(settings_.stall_timeout));
    if (sent.status == net::Status::kTimedOut)
      return {FtpCause::kStalled, "the data transfer stalled (timed out)"};
    if (!sent.ok())
      return {CauseOf(sent.status, FtpCause::kDataBroken),
              "the data connection broke: " + sent.message};
  }
  ChannelResult finished = data.Finish(net::DeadlineAfter(settings_.stall_timeout));
  if (finished.ok()) return {};
  return {CauseOf(finished.status, FtpCause::kDataBroken),
          "the data connection did not end cleanly: " + finished.message};
}

FtpResult FtpClient::Upload(const std::string& remote_name, const Source& source) {
  FtpResult result;
  // Checked before anything is sent: such a name would inject a command.
  if (ftp_detail::BreaksCommandLine(remote_name))
    return Fail(FtpStep::kTransfer, FtpCause::kBadName, "file name holds CR, LF or NUL");
  if (!usable(FtpStep::kTransfer, result)) return result;
  Enter(FtpState::kOpeningData);
  Reply type = Command("TYPE I");
  if (!type.ok()) return Lost(FtpStep::kTransfer, type);
  if (type.code != 200) {
    Enter(FtpState::kReady);
    return Fail(FtpStep::kTransfer, type, FtpCause::kRefused, "TYPE I refused");
  }

  const net::Endpoint peer = net::PeerEndpoint(control_->socket()).endpoint;
  net::Socket data_socket;
  net::Socket listener;
  const bool prepared = settings_.passive ? ConnectPassive(peer, data_socket, result)
                                          : ListenActive(listener, result);
  if (!prepared) {
    if (state_ != FtpState::kBroken) Enter(FtpState::kReady);
    return result;
  }

  Enter(FtpState::kStoring);
  Reply store = Command("STOR " + remote_name);
  if (!store.ok()) return Lost(FtpStep::kTransfer, store);
  if (store.code != 125 && store.code != 150) {
    Enter(FtpState::kReady);
    return Fail(FtpStep::kTransfer, store, FtpCause::kRefused, "STOR refused");
  }
  if (!settings_.passive && !AcceptActive(listener, peer, data_socket, result)) {
    Enter(FtpState::kBroken);  // the server may still be waiting to connect
    return result;
  }
  listener.Close();
  std::unique_ptr<Channel> data = SecureData(std::move(data_socket), result);
  if (!data) {
    Enter(FtpState::kBroken);
    return result;
  }
  const Problem problem = SendData(*data, source);
  data.reset();

  Enter(FtpState::kAwaitingTransferReply);
  Reply done = ReadReply(settings_.reply_timeout);
  if (!done.ok() && problem.message.empty()) return Lost(FtpStep::kTransfer, done);
  if (!done.ok()) return Fail(FtpStep::kTransfer, done, problem.cause, problem.message);
  Enter(FtpState::kReady);
  if (!problem.message.empty())
    return Fail(FtpStep::kTransfer, done, problem.cause, problem.message);
  if (done.code != 226 && done.code != 250)
    return Fail(FtpStep::kTransfer, done, FtpCause::kRefused, "the transfer was not completed");
  return result;
}

FtpResult FtpClient::Close() {
  FtpResult result;
  if (!control_) {
    Enter(FtpState::kDisconnected);
    return result;
  }
  if (state_ != FtpState::kBroken && state_ != FtpState::kConnecting) {
    Enter(FtpState::kQuitting);
    Reply quit;
    if (SendLine("QUIT", quit))
      quit = ReadReply(std::min(settings_.reply_timeout, std::chrono::milliseconds(kQuitWait)));
    if (!quit.ok())
      result = Lost(FtpStep::kClose, quit);
    else if (quit.code / 100 != 2)
      result = Fail(FtpStep::kClose, quit, FtpCause::kRefused, "QUIT refused");
    if (state_ != FtpState::kBroken) control_->Finish(net::DeadlineAfter(kQuitWait));
  }
  control_.reset();
  tls_.reset();
  pending_.clear();
  Enter(FtpState::kDisconnected);
  return result;
}

}  // namespace

std::unique_ptr<FtpConnection> MakeFtpClient(FtpSettings settings) {
  return std::make_unique<FtpClient>(std::move(settings));
}

}  // namespace agent
