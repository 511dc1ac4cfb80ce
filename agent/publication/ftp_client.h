// The agent's FTP client: one control connection, passive (EPSV, falling
// back to PASV) or active (EPRT, falling back to PORT) data connections,
// optional TLS (explicit AUTH TLS or implicit), and a deadline on every wait.
//
// No function throws. Each operation returns an FtpResult saying which step
// failed and what the server answered, so the push engine can write its own
// journal lines. The client is used by one thread at a time.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace agent {

// The part of a push an operation belongs to.
enum class FtpStep {
  none,       // success
  connect,    // TCP connection, greeting, TLS negotiation
  login,      // USER / PASS
  directory,  // PWD, MKD, CWD
  transfer,   // local file, TYPE I, data connection, STOR, final reply
};

// Named states of the control connection; every change is reported to the
// debug log.
enum class FtpState {
  disconnected,
  connecting,
  awaiting_greeting,
  securing,        // AUTH TLS and the handshake, or the implicit handshake
  logging_in,
  protecting,      // PBSZ 0, PROT P
  ready,
  directory_command,
  opening_data,    // TYPE I, EPSV/PASV or EPRT/PORT
  storing,         // STOR sent, data flowing
  awaiting_transfer_reply,
  quitting,
  broken,          // a failure left the control connection unusable
};

const char* ftp_state_name(FtpState state);
const char* ftp_step_name(FtpStep step);

struct FtpResult {
  bool ok = true;
  FtpStep step = FtpStep::none;
  int reply_code = 0;      // last reply of the server, 0 when none arrived
  std::string reply_text;  // its text, lines joined by "\n", without CR LF
  std::string message;     // what went wrong on our side ("timed out", errno text...)
};

enum class FtpTlsMode { none = 0, explicit_tls = 1, implicit_tls = 2 };

struct FtpSettings {
  std::string host;
  std::uint16_t port = 21;
  std::string user;
  std::string password;
  bool passive = true;

  std::chrono::milliseconds connect_timeout{15000};
  std::chrono::milliseconds reply_timeout{60000};
  // A data transfer that moves no byte for this long is abandoned.
  std::chrono::milliseconds stall_timeout{60000};

  FtpTlsMode tls = FtpTlsMode::none;
  bool tls_verify = true;  // system trust store (or tls_ca_file) and the host name
  std::string tls_ca_file; // PEM file of trusted certificates; empty: system store

  // Complete journal lines about the connection's security (TLS established,
  // negotiation or certificate failure, certificate not checked).
  std::function<void(const std::string&)> journal;
  // Debug trace: state changes, commands (password hidden) and replies.
  std::function<void(const std::string&)> debug_log;
};

// What the push engine needs of a connection; tests may substitute a fake.
class FtpConnection {
 public:
  virtual ~FtpConnection() = default;

  // Connects, reads the greeting, secures the link when asked, logs in
  // (USER answered by 331 or 230, PASS by 230).
  virtual FtpResult open() = 0;
  // PWD: the quoted path of the 257 reply; empty when it fails.
  virtual std::string current_directory() = 0;
  // MKD name (257), CWD path (250).
  virtual FtpResult make_directory(const std::string& name) = 0;
  virtual FtpResult change_directory(const std::string& path) = 0;
  // TYPE I (200), STOR remote_name (125/150), the bytes, then 226/250.
  // A name holding CR or LF is refused before any command is sent.
  virtual FtpResult upload_file(const std::string& local_path, const std::string& remote_name) = 0;
  virtual FtpResult upload_buffer(const void* data, std::size_t size, const std::string& remote_name) = 0;
  // QUIT (reply waited for briefly) and close; safe to call at any time.
  virtual void close() = 0;
  virtual FtpState state() const = 0;
};

std::unique_ptr<FtpConnection> make_ftp_client(FtpSettings settings);

}  // namespace agent
