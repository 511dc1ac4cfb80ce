#include "tests/support/real_ftp_server.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace test_support {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

const char* TlsArgument(ServerTls tls) {
  switch (tls) {
    case ServerTls::kNone:
      return "none";
    case ServerTls::kExplicitTls:
      return "explicit";
    case ServerTls::kImplicitTls:
      return "implicit";
  }
  return "none";
}

}  // namespace

RealFtpServer::RealFtpServer(RealFtpServerOptions options) : options_(std::move(options)) {
  std::string pattern = (fs::temp_directory_path() / "tvl-ftp-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    error_ = "cannot create a temporary directory";
    return;
  }
  base_ = pattern;
  root_ = base_ + "/root";
  scratch_ = base_ + "/scratch";
  fs::create_directories(root_);
  fs::create_directories(scratch_);
  const std::string port_file = base_ + "/port";

  std::vector<std::string> args = {"/usr/bin/python3",
                                   TVL_FTP_SERVER_SCRIPT,
                                   "--root",
                                   root_,
                                   "--user",
                                   options_.user,
                                   "--password",
                                   options_.password,
                                   "--port-file",
                                   port_file,
                                   "--log",
                                   base_ + "/server.log",
                                   "--tls",
                                   TlsArgument(options_.tls)};
  if (options_.tls != ServerTls::kNone) {
    args.insert(args.end(), {"--cert", options_.cert_file, "--key", options_.key_file});
    if (options_.tls13_only) args.insert(args.end(), {"--tls-min", "1.3"});
  }
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t child = -1;
  if (::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    error_ = "cannot start /usr/bin/python3";
    return;
  }
  pid_ = child;

  // Readiness handshake: the server renames its port file into place once it listens.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < give_up) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      error_ = "the FTP server exited at start: " + log();
      return;
    }
    if (fs::exists(port_file)) {
      port_ = static_cast<std::uint16_t>(std::atoi(Slurp(port_file).c_str()));
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  error_ = "the FTP server did not report its port";
  Stop();
}

RealFtpServer::~RealFtpServer() {
  Stop();
  if (!base_.empty()) {
    std::error_code ignored;
    fs::remove_all(base_, ignored);
  }
}

void RealFtpServer::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

std::string RealFtpServer::ReadFile(const std::string& relative_path) const {
  return Slurp(fs::path(root_) / relative_path);
}

bool RealFtpServer::HasFile(const std::string& relative_path) const {
  return fs::is_regular_file(fs::path(root_) / relative_path);
}

std::string RealFtpServer::log() const {
  return Slurp(base_ + "/server.log");
}

TestCertificates MakeTestCertificates(const std::string& directory, const std::string& host_name) {
  TestCertificates made;
  const std::string d = directory;
  made.ca_file = d + "/ca.pem";
  made.cert_file = d + "/server.pem";
  made.key_file = d + "/server.key";
  const std::string quiet = " >/dev/null 2>&1";
  const std::string ext = d + "/server.ext";
  {
    std::ofstream out(ext);
    out << "subjectAltName=DNS:" << host_name << "\nbasicConstraints=CA:FALSE\n";
  }
  const std::string commands[] = {
      "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=TestAuthority -keyout " + d +
          "/ca.key -out " + made.ca_file,
      "openssl req -newkey rsa:2048 -nodes -subj /CN=" + host_name + " -keyout " + made.key_file +
          " -out " + d + "/server.csr",
      "openssl x509 -req -days 2 -in " + d + "/server.csr -CA " + made.ca_file + " -CAkey " + d +
          "/ca.key -CAcreateserial -extfile " + ext + " -out " + made.cert_file,
  };
  for (const auto& command : commands) {
    if (std::system((command + quiet).c_str()) != 0) return made;
  }
  made.ok = true;
  return made;
}

}  // namespace test_support
