// TLS for the FTP client (OpenSSL, TLS 1.2 or later, the system's default
// ciphers). Bytes move through the platform socket functions, so every wait
// keeps its deadline.
//
// A session is first offered TLS 1.2 only: resuming it on each data
// connection is a plain abbreviated handshake, where TLS 1.3 runs a new key
// exchange per file, and it is the version FTP servers demanding session
// reuse handle best. A server that refuses TLS 1.2 is asked again with TLS 1.3.
#pragma once

#include <openssl/ssl.h>

#include <memory>
#include <string>

#include "agent/publication/channel.h"

namespace agent::ftp_detail {

struct TlsOutcome {
  bool ok = false;
  bool certificate_rejected = false;  // the handshake failed on the certificate check
  bool version_refused = false;       // the server accepts none of the versions offered
  std::string reason;                 // why it failed
  std::string version;                // "TLSv1.3" once established
};

class TlsChannel;

// Settings shared by the control connection and its data connections.
class TlsContext {
 public:
  // Null with `error` set when the trust settings cannot be loaded. Without
  // `newest_version`, TLS 1.2 only; with it, the system's newest as well.
  static std::unique_ptr<TlsContext> Create(bool verify, const std::string& ca_file,
                                            bool newest_version, std::string* error);
  ~TlsContext();
  TlsContext(const TlsContext&) = delete;
  TlsContext& operator=(const TlsContext&) = delete;

  // Handshakes as a client over `socket`, checking `host` when verifying.
  // With `resume`, the newest session ticket that any connection of this
  // context received is offered, so data connections resume the control
  // connection's session (TLS 1.3 tickets serve once, hence the newest).
  std::unique_ptr<TlsChannel> Connect(platform::net::Socket socket, const std::string& host,
                                      bool resume, platform::net::Deadline deadline,
                                      TlsOutcome* outcome);

 private:
  TlsContext(SSL_CTX* context, bool verify) : context_(context), verify_(verify) {}
  static int KeepSession(SSL* ssl, SSL_SESSION* session);
  SSL_CTX* context_;
  bool verify_;
  SSL_SESSION* newest_session_ = nullptr;
};

class TlsChannel final : public Channel {
 public:
  TlsChannel(platform::net::Socket socket, SSL* ssl);
  ~TlsChannel() override;

  ChannelResult SendAll(const void* data, std::size_t size,
                        platform::net::Deadline deadline) override;
  ChannelResult ReceiveSome(void* buffer, std::size_t capacity,
                            platform::net::Deadline deadline) override;
  ChannelResult Finish(platform::net::Deadline deadline) override;
  const platform::net::Socket& socket() const override { return socket_; }
  platform::net::Socket TakeSocket() override { return std::move(socket_); }

  SSL* ssl() const { return ssl_; }
  bool resumed() const { return SSL_session_reused(ssl_) == 1; }

  // Waits for what OpenSSL asked for after a call that returned `code`;
  // fills `result` and returns false when the operation is over.
  bool WaitForProgress(int code, platform::net::Deadline deadline, ChannelResult& result);

 private:
  platform::net::Socket socket_;
  SSL* ssl_;
};

}  // namespace agent::ftp_detail
