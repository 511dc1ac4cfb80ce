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

#include "platform/env.h"

namespace agent {

// The part of a push an operation belongs to.
enum class FtpStep {
  kNone,       // success
  kConnect,    // TCP connection, greeting, TLS negotiation
  kLogin,      // USER / PASS
  kDirectory,  // PWD, MKD, CWD
  kTransfer,   // local file, TYPE I, data connection, STOR, final reply
  kClose,      // QUIT
};

// Why an operation failed, so that callers can say it in their own words.
enum class FtpCause {
  kNone,            // success
  kRefused,         // the server answered with a refusal (see reply_code, reply_text)
  kUnreachable,     // the connection to the server could not be made
  kNoReply,         // no reply within the reply time-out
  kConnectionLost,  // the control connection closed or broke
  kNotAReply,       // the server sent a line that is no FTP reply
  kTls,             // TLS could not be set up or negotiated
  kDataConnection,  // the data connection could not be opened
  kStalled,         // the data transfer moved nothing for the stall time-out
  kDataBroken,      // the data connection broke or did not end cleanly
  kLocalFile,       // the local file could not be read
  kBadName,         // a name or password holding CR, LF or NUL
  kNotUsable,       // an earlier failure left the connection unusable
  kStopped,         // the agent is stopping (FtpSettings::stop)
};

// Named states of the control connection; every change is reported to the
// debug log.
enum class FtpState {
  kDisconnected,
  kConnecting,
  kAwaitingGreeting,
  kSecuring,  // AUTH TLS and the handshake, or the implicit handshake
  kLoggingIn,
  kProtecting,  // PBSZ 0, PROT P
  kReady,
  kDirectoryCommand,
  kOpeningData,  // TYPE I, EPSV/PASV or EPRT/PORT
  kStoring,      // STOR sent, data flowing
  kAwaitingTransferReply,
  kQuitting,
  kBroken,  // a failure left the control connection unusable
};

const char* FtpStateName(FtpState state);
const char* FtpStepName(FtpStep step);

struct FtpResult {
  bool ok = true;
  FtpStep step = FtpStep::kNone;
  FtpCause cause = FtpCause::kNone;
  int reply_code = 0;      // last reply of the server, 0 when none arrived
  std::string reply_text;  // its text, lines joined by "\n", without CR LF
  std::string message;     // what went wrong on our side ("timed out", errno text...)
};

enum class FtpTlsMode { kNone = 0, kExplicitTls = 1, kImplicitTls = 2 };

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
  // Once set, every wait (connect, reply, data) ends at once and the
  // operation fails: the agent is stopping. Null: only the time-outs.
  const platform::StopFlag* stop = nullptr;

  FtpTlsMode tls = FtpTlsMode::kNone;
  bool tls_verify = true;   // system trust store (or tls_ca_file) and the host name
  std::string tls_ca_file;  // PEM file of trusted certificates; empty: system store

  // Complete journal lines about the connection's security (TLS established,
  // negotiation or certificate failure, certificate not checked).
  std::function<void(const std::string&)> journal;
  // Debug trace: state changes, commands (password hidden) and replies.
  std::function<void(const std::string&)> debug_log;

  // Where the files sent are read from.
  platform::Env* env = &platform::Env::Default();
};

// What the push engine needs of a connection; tests may substitute a fake.
class FtpConnection {
 public:
  virtual ~FtpConnection() = default;

  // Connects, reads the greeting, secures the link when asked, logs in
  // (USER answered by 331 or 230, PASS by 230).
  virtual FtpResult Open() = 0;
  // PWD: the quoted path of the 257 reply; empty when it fails.
  virtual std::string current_directory() = 0;
  // MKD name (257), CWD path (250).
  virtual FtpResult MakeDirectory(const std::string& name) = 0;
  virtual FtpResult ChangeDirectory(const std::string& path) = 0;
  // TYPE I (200), STOR remote_name (125/150), the bytes, then 226/250.
  // A name holding CR or LF is refused before any command is sent.
  virtual FtpResult UploadFile(const std::string& local_path, const std::string& remote_name) = 0;
  virtual FtpResult UploadBuffer(const void* data, std::size_t size,
                                 const std::string& remote_name) = 0;
  // QUIT (reply waited for briefly) and close; safe to call at any time.
  // Fails (step close) when QUIT got no reply or a refusal; closed anyway.
  virtual FtpResult Close() = 0;
  virtual FtpState state() const = 0;
};

std::unique_ptr<FtpConnection> MakeFtpClient(FtpSettings settings);

}  // namespace agent
