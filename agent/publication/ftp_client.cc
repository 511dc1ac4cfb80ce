// The FTP client's state machine. Every wait has its own deadline: connects
// and accepts the connect time-out, each reply the reply time-out, and each
// slice of a data transfer the stall time-out.
#include <fstream>
#include <optional>
#include <vector>

#include "agent/publication/ftp_client.h"
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
  bool ok() const { return failure.empty(); }
};

// Where the bytes of an upload come from.
using Source = std::function<bool(std::vector<char>& chunk, std::string& error)>;

class FtpClient final : public FtpConnection {
 public:
  explicit FtpClient(FtpSettings settings) : settings_(std::move(settings)) {}
  ~FtpClient() override { close(); }

  FtpResult open() override;
  std::string current_directory() override;
  FtpResult make_directory(const std::string& name) override;
  FtpResult change_directory(const std::string& path) override;
  FtpResult upload_file(const std::string& local_path, const std::string& remote_name) override;
  FtpResult upload_buffer(const void* data, std::size_t size, const std::string& remote_name) override;
  void close() override;
  FtpState state() const override { return state_; }

 private:
  void enter(FtpState next);
  void debug(const std::string& line) const {
    if (settings_.debug_log) settings_.debug_log(line);
  }
  void journal(const std::string& line) const {
    if (settings_.journal) settings_.journal(kTag + line);
  }
  FtpResult fail(FtpStep step, const Reply& reply, const std::string& message);
  FtpResult fail(FtpStep step, const std::string& message) { return fail(step, Reply{}, message); }

  Reply read_reply(std::chrono::milliseconds timeout);
  Reply command(const std::string& line);
  bool send_line(const std::string& line, std::string& failure);
  FtpResult open_session();
  bool secure_control(FtpResult& result);
  FtpResult upload(const std::string& remote_name, const Source& source);
  std::unique_ptr<Channel> secure_data(net::Socket socket, FtpResult& result);
  bool connect_passive(const net::Endpoint& peer, net::Socket& data, FtpResult& result);
  bool listen_active(net::Socket& listener, FtpResult& result);
  bool accept_active(const net::Socket& listener, const net::Endpoint& peer, net::Socket& data, FtpResult& result);
  std::string send_data(Channel& data, const Source& source);
  bool usable(FtpStep step, FtpResult& result);

  FtpSettings settings_;
  FtpState state_ = FtpState::disconnected;
  std::unique_ptr<Channel> control_;
  std::unique_ptr<TlsContext> tls_;
  std::string pending_;  // bytes received after the last reply
  bool epsv_refused_ = false;
  bool eprt_refused_ = false;
  bool newest_tls_ = false;          // the server refused TLS 1.2: offer the newest version
  bool tls_version_refused_ = false;  // the last negotiation failed on the version
};

void FtpClient::enter(FtpState next) {
  if (next == state_) return;
  debug(std::string("FTP state ") + ftp_state_name(state_) + " -> " + ftp_state_name(next));
  state_ = next;
}

FtpResult FtpClient::fail(FtpStep step, const Reply& reply, const std::string& message) {
  FtpResult result;
  result.ok = false;
  result.step = step;
  result.reply_code = reply.code;
  result.reply_text = reply.text;
  result.message = message;
  debug(std::string("FTP failure at ") + ftp_step_name(step) + ": " + message +
        (reply.code ? " (" + reply.text + ")" : ""));
  return result;
}

bool FtpClient::send_line(const std::string& line, std::string& failure) {
  const std::string shown = line.rfind("PASS ", 0) == 0 ? "PASS ****" : line;
  debug("FTP > " + shown);
  const std::string wire = line + "\r\n";
  ChannelResult sent = control_->send_all(wire.data(), wire.size(), net::deadline_after(settings_.reply_timeout));
  if (sent.ok()) return true;
  failure = "cannot send " + shown.substr(0, shown.find(' ')) + ": " + sent.message;
  enter(FtpState::broken);
  return false;
}

// One reply, single- or multi-line. A silent server ends it at the deadline.
Reply FtpClient::read_reply(std::chrono::milliseconds timeout) {
  const net::Deadline deadline = net::deadline_after(timeout);
  Reply reply;
  ftp_detail::ReplyAssembler assembler;
  char buffer[4096];
  for (;;) {
    std::string line;
    if (!ftp_detail::take_line(pending_, line)) {
      ChannelResult got = control_->receive_some(buffer, sizeof buffer, deadline);
      if (!got.ok()) {
        reply.failure = got.status == net::Status::timed_out ? "no reply from the server (timed out)"
                                                              : "control connection lost: " + got.message;
        enter(FtpState::broken);
        return reply;
      }
      pending_.append(buffer, got.bytes);
      ftp_detail::bound_pending(pending_);
      continue;
    }
    debug("FTP < " + line);
    const ftp_detail::ReplyAssembler::Progress progress = assembler.add_line(line);
    if (progress == ftp_detail::ReplyAssembler::Progress::more) continue;
    reply.code = assembler.code();
    reply.text = assembler.text();
    if (progress == ftp_detail::ReplyAssembler::Progress::not_a_reply) {
      reply.failure = "the server sent a line that is no FTP reply";
      enter(FtpState::broken);
    }
    return reply;
  }
}

Reply FtpClient::command(const std::string& line) {
  Reply reply;
  if (!send_line(line, reply.failure)) return reply;
  return read_reply(settings_.reply_timeout);
}

bool FtpClient::usable(FtpStep step, FtpResult& result) {
  if (control_ && state_ == FtpState::ready) return true;
  result = fail(step, std::string("the connection is not usable (") + ftp_state_name(state_) + ")");
  return false;
}

bool FtpClient::secure_control(FtpResult& result) {
  std::string error;
  tls_ = TlsContext::create(settings_.tls_verify, settings_.tls_ca_file, newest_tls_, &error);
  if (!tls_) {
    journal("Échec de la négociation TLS : " + error);
    result = fail(FtpStep::connect, "TLS set-up failed: " + error);
    return false;
  }
  if (!settings_.tls_verify) journal("Attention : le certificat du serveur n'est pas vérifié (FTP_tls_verify = 0).");
  ftp_detail::TlsOutcome outcome;
  net::Socket socket = control_->take_socket();
  control_.reset();
  auto channel = tls_->connect(std::move(socket), settings_.host, false,
                               net::deadline_after(settings_.connect_timeout), &outcome);
  if (!channel) {
    tls_version_refused_ = outcome.version_refused && !newest_tls_;
    if (tls_version_refused_) {
      journal("Le serveur refuse TLS 1.2 : nouvel essai avec la version la plus récente.");
    } else {
      journal(outcome.certificate_rejected ? "Certificat du serveur refusé : " + outcome.reason
                                           : "Échec de la négociation TLS : " + outcome.reason);
    }
    enter(FtpState::broken);
    result = fail(FtpStep::connect, "TLS negotiation failed: " + outcome.reason);
    return false;
  }
  journal("Connexion sécurisée établie (" + outcome.version + ").");
  control_ = std::move(channel);
  pending_.clear();  // nothing sent in the clear may be read as protected
  return true;
}

FtpResult FtpClient::open() {
  tls_version_refused_ = false;
  FtpResult result = open_session();
  if (tls_version_refused_) {
    newest_tls_ = true;
    result = open_session();
  }
  return result;
}

FtpResult FtpClient::open_session() {
  close();
  epsv_refused_ = eprt_refused_ = false;
  FtpResult result;
  enter(FtpState::connecting);
  net::SocketResult connected =
      net::connect_tcp(settings_.host, settings_.port, net::deadline_after(settings_.connect_timeout));
  if (!connected.ok()) {
    enter(FtpState::disconnected);
    return fail(FtpStep::connect, "cannot connect to " + settings_.host + ":" + std::to_string(settings_.port) +
                                      ": " + ftp_detail::describe(connected.status, connected.error));
  }
  control_ = ftp_detail::make_plain_channel(std::move(connected.socket));

  if (settings_.tls == FtpTlsMode::implicit_tls) {
    enter(FtpState::securing);
    if (!secure_control(result)) return result;
  }
  enter(FtpState::awaiting_greeting);
  Reply greeting = read_reply(settings_.reply_timeout);
  while (greeting.ok() && greeting.code == 120) greeting = read_reply(settings_.reply_timeout);
  if (!greeting.ok()) return fail(FtpStep::connect, greeting, greeting.failure);
  if (greeting.code != 220) {
    enter(FtpState::broken);
    return fail(FtpStep::connect, greeting, "the server refused the connection");
  }

  if (settings_.tls == FtpTlsMode::explicit_tls) {
    enter(FtpState::securing);
    Reply auth = command("AUTH TLS");
    if (!auth.ok()) return fail(FtpStep::connect, auth, auth.failure);
    if (auth.code != 234) {
      journal("Échec de la négociation TLS : le serveur refuse AUTH TLS (" + auth.text + ").");
      enter(FtpState::broken);
      return fail(FtpStep::connect, auth, "the server refused AUTH TLS");
    }
    if (!secure_control(result)) return result;
  }

  enter(FtpState::logging_in);
  if (ftp_detail::breaks_command_line(settings_.user) || ftp_detail::breaks_command_line(settings_.password)) {
    enter(FtpState::broken);
    return fail(FtpStep::login, "user name or password holds CR, LF or NUL");
  }
  Reply user = command("USER " + settings_.user);
  if (!user.ok()) return fail(FtpStep::login, user, user.failure);
  if (user.code == 331) {
    Reply pass = command("PASS " + settings_.password);
    if (!pass.ok()) return fail(FtpStep::login, pass, pass.failure);
    user = pass;
  }
  if (user.code != 230) {
    enter(FtpState::broken);
    return fail(FtpStep::login, user, "login refused");
  }

  if (settings_.tls != FtpTlsMode::none) {
    enter(FtpState::protecting);
    for (const char* line : {"PBSZ 0", "PROT P"}) {
      Reply reply = command(line);
      if (!reply.ok()) return fail(FtpStep::connect, reply, reply.failure);
      if (reply.code != 200) {
        journal(std::string("Échec de la négociation TLS : le serveur refuse ") + line + " (" + reply.text + ").");
        enter(FtpState::broken);
        return fail(FtpStep::connect, reply, std::string("the server refused ") + line);
      }
    }
  }
  enter(FtpState::ready);
  return result;
}

std::string FtpClient::current_directory() {
  FtpResult result;
  if (!usable(FtpStep::directory, result)) return {};
  enter(FtpState::directory_command);
  Reply reply = command("PWD");
  if (!reply.ok()) return {};
  enter(FtpState::ready);
  return reply.code == 257 ? ftp_detail::quoted_path(reply.text) : std::string();
}

FtpResult FtpClient::make_directory(const std::string& name) {
  FtpResult result;
  if (ftp_detail::breaks_command_line(name)) return fail(FtpStep::directory, "directory name holds CR, LF or NUL");
  if (!usable(FtpStep::directory, result)) return result;
  enter(FtpState::directory_command);
  Reply reply = command("MKD " + name);
  if (!reply.ok()) return fail(FtpStep::directory, reply, reply.failure);
  enter(FtpState::ready);
  return reply.code == 257 ? result : fail(FtpStep::directory, reply, "MKD refused");
}

FtpResult FtpClient::change_directory(const std::string& path) {
  FtpResult result;
  if (ftp_detail::breaks_command_line(path)) return fail(FtpStep::directory, "directory name holds CR, LF or NUL");
  if (!usable(FtpStep::directory, result)) return result;
  enter(FtpState::directory_command);
  Reply reply = command("CWD " + path);
  if (!reply.ok()) return fail(FtpStep::directory, reply, reply.failure);
  enter(FtpState::ready);
  return reply.code == 250 ? result : fail(FtpStep::directory, reply, "CWD refused");
}

FtpResult FtpClient::upload_file(const std::string& local_path, const std::string& remote_name) {
  auto file = std::make_shared<std::ifstream>(local_path, std::ios::binary);
  if (!*file) return fail(FtpStep::transfer, "cannot read the local file " + local_path);
  return upload(remote_name, [file, local_path](std::vector<char>& chunk, std::string& error) {
    chunk.resize(kChunk);
    file->read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    chunk.resize(static_cast<std::size_t>(file->gcount()));
    if (file->bad()) {
      error = "error while reading the local file " + local_path;
      return false;
    }
    return true;
  });
}

FtpResult FtpClient::upload_buffer(const void* data, std::size_t size, const std::string& remote_name) {
  std::size_t offset = 0;
  const auto* bytes = static_cast<const char*>(data);
  return upload(remote_name, [&offset, bytes, size](std::vector<char>& chunk, std::string&) {
    std::size_t count = std::min(kChunk, size - offset);
    chunk.assign(bytes + offset, bytes + offset + count);
    offset += count;
    return true;
  });
}

std::unique_ptr<Channel> FtpClient::secure_data(net::Socket socket, FtpResult& result) {
  if (settings_.tls == FtpTlsMode::none) return ftp_detail::make_plain_channel(std::move(socket));
  ftp_detail::TlsOutcome outcome;
  auto channel = tls_->connect(std::move(socket), settings_.host, true,
                               net::deadline_after(settings_.connect_timeout), &outcome);
  if (!channel) {
    result = fail(FtpStep::transfer, "TLS negotiation of the data connection failed: " + outcome.reason);
    return nullptr;
  }
  debug(std::string("FTP data connection secured, session ") + (channel->resumed() ? "resumed" : "new"));
  return channel;
}

// Passive: EPSV, or PASV once EPSV was refused on this connection; the data
// connection goes to the control connection's peer whatever address a 227
// names (servers behind NAT, and hostile ones, send wrong addresses).
bool FtpClient::connect_passive(const net::Endpoint& peer, net::Socket& data, FtpResult& result) {
  std::optional<std::uint16_t> port;
  if (!epsv_refused_) {
    Reply epsv = command("EPSV");
    if (!epsv.ok()) return (result = fail(FtpStep::transfer, epsv, epsv.failure), false);
    if (epsv.code == 229) port = ftp_detail::epsv_port(epsv.text);
    epsv_refused_ = !port;
  }
  if (!port) {
    Reply pasv = command("PASV");
    if (!pasv.ok()) return (result = fail(FtpStep::transfer, pasv, pasv.failure), false);
    if (pasv.code == 227) port = ftp_detail::pasv_port(pasv.text);
    if (!port) return (result = fail(FtpStep::transfer, pasv, "no passive data port"), false);
  }
  auto connected = net::connect_tcp(peer.address, *port, net::deadline_after(settings_.connect_timeout));
  if (!connected.ok())
    return (result = fail(FtpStep::transfer, "cannot open the data connection: " +
                                                 ftp_detail::describe(connected.status, connected.error)),
            false);
  data = std::move(connected.socket);
  return true;
}

// Active: a listener on the control connection's local address, announced by
// EPRT, or by PORT once EPRT was refused on this connection.
bool FtpClient::listen_active(net::Socket& listener, FtpResult& result) {
  const net::Endpoint local = net::local_endpoint(control_->socket()).endpoint;
  net::Listener listening = net::listen_tcp(local.address, 0, 1);
  if (!listening.ok())
    return (result = fail(FtpStep::transfer, "cannot listen for the data connection: " +
                                                 ftp_detail::describe(listening.status, listening.error)),
            false);
  Reply reply;
  bool announced = false;
  if (!eprt_refused_) {
    reply = command("EPRT " + ftp_detail::eprt_argument(local.address, local.ipv6, listening.port));
    if (!reply.ok()) return (result = fail(FtpStep::transfer, reply, reply.failure), false);
    announced = reply.code == 200;
    eprt_refused_ = !announced;
  }
  const std::string port_text = ftp_detail::port_argument(local.address, local.ipv6, listening.port);
  if (!announced && !port_text.empty()) {
    reply = command("PORT " + port_text);
    if (!reply.ok()) return (result = fail(FtpStep::transfer, reply, reply.failure), false);
    announced = reply.code == 200;
  }
  if (!announced) return (result = fail(FtpStep::transfer, reply, "active mode refused"), false);
  listener = std::move(listening.socket);
  return true;
}

// Only the server we talk to may deliver the data connection.
bool FtpClient::accept_active(const net::Socket& listener, const net::Endpoint& peer, net::Socket& data,
                              FtpResult& result) {
  const net::Deadline deadline = net::deadline_after(settings_.connect_timeout);
  for (;;) {
    net::Endpoint from;
    auto accepted = net::accept_tcp(listener, deadline, &from);
    if (!accepted.ok())
      return (result = fail(FtpStep::transfer, "the server did not open the data connection: " +
                                                   ftp_detail::describe(accepted.status, accepted.error)),
              false);
    if (from.address == peer.address) {
      data = std::move(accepted.socket);
      return true;
    }
    debug("FTP data connection from " + from.address + " refused");
  }
}

// Sends the whole source and ends the data stream; the reason on failure.
std::string FtpClient::send_data(Channel& data, const Source& source) {
  std::vector<char> chunk;
  for (;;) {
    std::string error;
    if (!source(chunk, error)) return error;
    if (chunk.empty()) break;
    ChannelResult sent = data.send_all(chunk.data(), chunk.size(), net::deadline_after(settings_.stall_timeout));
    if (!sent.ok())
      return sent.status == net::Status::timed_out ? "the data transfer stalled (timed out)"
                                                    : "the data connection broke: " + sent.message;
  }
  ChannelResult finished = data.finish(net::deadline_after(settings_.stall_timeout));
  return finished.ok() ? "" : "the data connection did not end cleanly: " + finished.message;
}

FtpResult FtpClient::upload(const std::string& remote_name, const Source& source) {
  FtpResult result;
  // Checked before anything is sent: such a name would inject a command.
  if (ftp_detail::breaks_command_line(remote_name)) return fail(FtpStep::transfer, "file name holds CR, LF or NUL");
  if (!usable(FtpStep::transfer, result)) return result;
  enter(FtpState::opening_data);
  Reply type = command("TYPE I");
  if (!type.ok()) return fail(FtpStep::transfer, type, type.failure);
  if (type.code != 200) {
    enter(FtpState::ready);
    return fail(FtpStep::transfer, type, "TYPE I refused");
  }

  const net::Endpoint peer = net::peer_endpoint(control_->socket()).endpoint;
  net::Socket data_socket;
  net::Socket listener;
  const bool prepared = settings_.passive ? connect_passive(peer, data_socket, result) : listen_active(listener, result);
  if (!prepared) {
    if (state_ != FtpState::broken) enter(FtpState::ready);
    return result;
  }

  enter(FtpState::storing);
  Reply store = command("STOR " + remote_name);
  if (!store.ok()) return fail(FtpStep::transfer, store, store.failure);
  if (store.code != 125 && store.code != 150) {
    enter(FtpState::ready);
    return fail(FtpStep::transfer, store, "STOR refused");
  }
  if (!settings_.passive && !accept_active(listener, peer, data_socket, result)) {
    enter(FtpState::broken);  // the server may still be waiting to connect
    return result;
  }
  listener.close();
  std::unique_ptr<Channel> data = secure_data(std::move(data_socket), result);
  if (!data) {
    enter(FtpState::broken);
    return result;
  }
  const std::string problem = send_data(*data, source);
  data.reset();

  enter(FtpState::awaiting_transfer_reply);
  Reply done = read_reply(settings_.reply_timeout);
  if (!done.ok()) return fail(FtpStep::transfer, done, problem.empty() ? done.failure : problem);
  enter(FtpState::ready);
  if (!problem.empty()) return fail(FtpStep::transfer, done, problem);
  if (done.code != 226 && done.code != 250) return fail(FtpStep::transfer, done, "the transfer was not completed");
  return result;
}

void FtpClient::close() {
  if (!control_) {
    enter(FtpState::disconnected);
    return;
  }
  if (state_ != FtpState::broken && state_ != FtpState::connecting) {
    enter(FtpState::quitting);
    std::string ignored;
    if (send_line("QUIT", ignored)) read_reply(std::min(settings_.reply_timeout, std::chrono::milliseconds(kQuitWait)));
    if (state_ != FtpState::broken) control_->finish(net::deadline_after(kQuitWait));
  }
  control_.reset();
  tls_.reset();
  pending_.clear();
  enter(FtpState::disconnected);
}

}  // namespace

std::unique_ptr<FtpConnection> make_ftp_client(FtpSettings settings) {
  return std::make_unique<FtpClient>(std::move(settings));
}

}  // namespace agent
