// A real FTP server for tests: Debian's pyftpdlib started on 127.0.0.1 with a
// temporary root, one user, passive ports and active mode allowed, optionally
// with TLS. Ready once it has written its port to a file; stopped by pid.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace test_support {

enum class ServerTls { kNone, kExplicitTls, kImplicitTls };

struct RealFtpServerOptions {
  std::string user = "meteo";
  std::string password = "s3cret";
  ServerTls tls = ServerTls::kNone;
  std::string cert_file;    // PEM certificate chain (TLS only)
  std::string key_file;     // PEM private key (TLS only)
  bool tls13_only = false;  // refuses TLS 1.2 (TLS only)
};

class RealFtpServer {
 public:
  explicit RealFtpServer(RealFtpServerOptions options = {});
  ~RealFtpServer();
  RealFtpServer(const RealFtpServer&) = delete;
  RealFtpServer& operator=(const RealFtpServer&) = delete;

  // False when the server could not be started; `error()` says why.
  bool running() const { return pid_ > 0; }
  const std::string& error() const { return error_; }
  std::uint16_t port() const { return port_; }
  const RealFtpServerOptions& options() const { return options_; }

  // The directory the user logs into, and a scratch directory beside it.
  const std::string& root() const { return root_; }
  const std::string& scratch() const { return scratch_; }

  // Contents of a file under the root; empty when missing.
  std::string ReadFile(const std::string& relative_path) const;
  bool HasFile(const std::string& relative_path) const;
  // Everything the server logged, commands included ("<- USER meteo").
  std::string log() const;

  // Terminates the server now (SIGTERM, then waits for it by pid).
  void Stop();

 private:
  RealFtpServerOptions options_;
  std::string base_;
  std::string root_;
  std::string scratch_;
  std::string error_;
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

// A certificate authority and a server certificate signed by it, made with
// the `openssl` command into `directory`.
struct TestCertificates {
  std::string ca_file;
  std::string cert_file;
  std::string key_file;
  bool ok = false;
};
TestCertificates MakeTestCertificates(const std::string& directory, const std::string& host_name);

}  // namespace test_support
