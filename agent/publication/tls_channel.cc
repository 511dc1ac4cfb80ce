#include "agent/publication/tls_channel.h"

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <climits>

namespace agent::ftp_detail {
namespace net = platform::net;

namespace {

// A BIO whose reads and writes are single non-blocking platform calls; "would
// block" is reported as a retry so the channel can wait with its deadline.
int BioWrite(BIO* bio, const char* data, int size) {
  const auto* socket = static_cast<const net::Socket*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  net::IoResult sent = net::SendNow(*socket, data, static_cast<std::size_t>(size));
  if (sent.ok()) return static_cast<int>(sent.bytes);
  if (sent.status == net::Status::kTimedOut) BIO_set_retry_write(bio);
  return -1;
}

int BioRead(BIO* bio, char* buffer, int capacity) {
  const auto* socket = static_cast<const net::Socket*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  net::IoResult got = net::ReceiveNow(*socket, buffer, static_cast<std::size_t>(capacity));
  if (got.ok()) return static_cast<int>(got.bytes);
  if (got.status == net::Status::kClosed) return 0;
  if (got.status == net::Status::kTimedOut) BIO_set_retry_read(bio);
  return -1;
}

long BioCtrl(BIO*, int command, long, void*) {
  return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int BioCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

BIO_METHOD* PlatformBioMethod() {
  static BIO_METHOD* method = [] {
    BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "platform-socket");
    BIO_meth_set_write(made, BioWrite);
    BIO_meth_set_read(made, BioRead);
    BIO_meth_set_ctrl(made, BioCtrl);
    BIO_meth_set_create(made, BioCreate);
    return made;
  }();
  return method;
}

std::string OpensslErrors() {
  std::string text;
  char line[256];
  while (unsigned long code = ERR_get_error()) {
    ERR_error_string_n(code, line, sizeof line);
    if (!text.empty()) text += "; ";
    text += line;
  }
  return text;
}

bool IsIpAddress(const std::string& host) {
  ASN1_OCTET_STRING* address = a2i_IPADDRESS(host.c_str());
  ASN1_OCTET_STRING_free(address);
  return address != nullptr;
}

}  // namespace

std::unique_ptr<TlsContext> TlsContext::Create(bool verify, const std::string& ca_file,
                                               bool newest_version, std::string* error) {
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  if (!context) {
    *error = OpensslErrors();
    return nullptr;
  }
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  if (!newest_version) SSL_CTX_set_max_proto_version(context, TLS1_2_VERSION);
  // Sessions are kept by keep_session, not by OpenSSL's own cache.
  SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
  SSL_CTX_sess_set_new_cb(context, KeepSession);
  if (verify) {
    bool loaded = ca_file.empty()
                      ? SSL_CTX_set_default_verify_paths(context) == 1
                      : SSL_CTX_load_verify_locations(context, ca_file.c_str(), nullptr) == 1;
    if (!loaded) {
      *error = "cannot load the trusted certificates" +
               (ca_file.empty() ? std::string() : " from " + ca_file) + ": " + OpensslErrors();
      SSL_CTX_free(context);
      return nullptr;
    }
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  } else {
    SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
  }
  auto made = std::unique_ptr<TlsContext>(new TlsContext(context, verify));
  SSL_CTX_set_app_data(context, made.get());
  return made;
}

TlsContext::~TlsContext() {
  if (newest_session_) SSL_SESSION_free(newest_session_);
  SSL_CTX_free(context_);
}

int TlsContext::KeepSession(SSL* ssl, SSL_SESSION* session) {
  auto* self = static_cast<TlsContext*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
  if (self->newest_session_) SSL_SESSION_free(self->newest_session_);
  self->newest_session_ = session;
  return 1;  // the reference is ours now
}

std::unique_ptr<TlsChannel> TlsContext::Connect(net::Socket socket, const std::string& host,
                                                bool resume, net::Deadline deadline,
                                                TlsOutcome* outcome) {
  ERR_clear_error();
  SSL* ssl = SSL_new(context_);
  if (!ssl) {
    outcome->reason = OpensslErrors();
    return nullptr;
  }
  auto channel = std::make_unique<TlsChannel>(std::move(socket), ssl);
  BIO* bio = BIO_new(PlatformBioMethod());
  BIO_set_data(bio, const_cast<net::Socket*>(&channel->socket()));
  SSL_set_bio(ssl, bio, bio);
  if (!IsIpAddress(host)) SSL_set_tlsext_host_name(ssl, host.c_str());
  if (verify_) {
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    if (IsIpAddress(host))
      X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    else
      X509_VERIFY_PARAM_set1_host(param, host.c_str(), 0);
  }
  if (resume && newest_session_) SSL_set_session(ssl, newest_session_);
  for (;;) {
    int code = SSL_connect(ssl);
    if (code == 1) break;
    const int first_reason = ERR_GET_REASON(ERR_peek_error());
    ChannelResult failure;
    if (channel->WaitForProgress(code, deadline, failure)) continue;
    long verified = SSL_get_verify_result(ssl);
    if (verify_ && verified != X509_V_OK) {
      outcome->certificate_rejected = true;
      outcome->reason = X509_verify_cert_error_string(verified);
    } else {
      outcome->reason = failure.message;
      outcome->version_refused = first_reason == SSL_R_TLSV1_ALERT_PROTOCOL_VERSION ||
                                 first_reason == SSL_R_UNSUPPORTED_PROTOCOL;
    }
    return nullptr;
  }
  outcome->ok = true;
  outcome->version = SSL_get_version(ssl);
  return channel;
}

TlsChannel::TlsChannel(net::Socket socket, SSL* ssl) : socket_(std::move(socket)), ssl_(ssl) {}

TlsChannel::~TlsChannel() {
  SSL_free(ssl_);
}

bool TlsChannel::WaitForProgress(int code, net::Deadline deadline, ChannelResult& result) {
  int reason = SSL_get_error(ssl_, code);
  int error = 0;
  net::Status waited;
  switch (reason) {
    case SSL_ERROR_WANT_READ:
      waited = net::WaitReadable(socket_, deadline, &error);
      break;
    case SSL_ERROR_WANT_WRITE:
      waited = net::WaitWritable(socket_, deadline, &error);
      break;
    case SSL_ERROR_ZERO_RETURN:
      result = {net::Status::kClosed, 0, "TLS closed by peer"};
      return false;
    default: {
      std::string details = OpensslErrors();
      bool eof = reason == SSL_ERROR_SYSCALL ||
                 (reason == SSL_ERROR_SSL && details.find("unexpected eof") != std::string::npos);
      result = {eof ? net::Status::kClosed : net::Status::kFailed, 0,
                details.empty() ? (eof ? "connection closed during TLS" : "TLS failure") : details};
      return false;
    }
  }
  if (waited == net::Status::kOk) return true;
  result = {waited, 0, DescribeStatus(waited, error)};
  return false;
}

ChannelResult TlsChannel::SendAll(const void* data, std::size_t size, net::Deadline deadline) {
  const auto* bytes = static_cast<const char*>(data);
  ChannelResult total;
  ERR_clear_error();
  while (total.bytes < size) {
    std::size_t chunk = std::min<std::size_t>(size - total.bytes, INT_MAX);
    int code = SSL_write(ssl_, bytes + total.bytes, static_cast<int>(chunk));
    if (code > 0) {
      total.bytes += static_cast<std::size_t>(code);
      continue;
    }
    ChannelResult failure;
    if (WaitForProgress(code, deadline, failure)) continue;
    failure.bytes = total.bytes;
    return failure;
  }
  return total;
}

ChannelResult TlsChannel::ReceiveSome(void* buffer, std::size_t capacity, net::Deadline deadline) {
  ERR_clear_error();
  for (;;) {
    int code = SSL_read(ssl_, buffer, static_cast<int>(std::min<std::size_t>(capacity, INT_MAX)));
    if (code > 0) return {net::Status::kOk, static_cast<std::size_t>(code), ""};
    ChannelResult failure;
    if (WaitForProgress(code, deadline, failure)) continue;
    return failure;
  }
}

ChannelResult TlsChannel::Finish(net::Deadline deadline) {
  ERR_clear_error();
  // Send our close_notify, then give the peer until the deadline to answer
  // with its own, so a server that checks for a clean TLS end sees the whole
  // file. A peer that never answers is no failure: its reply on the control
  // connection tells whether the file arrived.
  for (;;) {
    int code = SSL_shutdown(ssl_);
    if (code == 1) return {};
    if (code == 0) continue;
    ChannelResult failure;
    if (WaitForProgress(code, deadline, failure)) continue;
    if (failure.status == net::Status::kClosed || failure.status == net::Status::kTimedOut)
      return {};
    return failure;
  }
}

}  // namespace agent::ftp_detail
