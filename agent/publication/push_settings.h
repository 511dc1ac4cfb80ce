#pragma once
// The FTP section as the push engine reads it, once, when its thread starts.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "agent/core/agent_context.h"

namespace agent::publication {

struct PushSettings {
  std::string host;       // empty switches the engine off
  std::int32_t port = 0;  // 0 (or out of range): no connection can be opened
  std::string user;
  std::string password;
  std::int32_t passive = 0;          // any value other than 0 selects passive transfers
  std::string root;                  // FTP_root as written
  std::int32_t tls = 0;              // 0 plain FTP, 1 explicit TLS (AUTH TLS), 2 implicit TLS
  bool tls_verify = true;            // absent FTP_tls_verify checks the certificate
  std::string tls_ca_file;           // trusted certificates (PEM); empty: the system's store
  std::int32_t timeout_seconds = 0;  // FTP_timeout: every network wait; 0: the client's own

  static PushSettings FromConfiguration(const AgentContext& context);
};

// FTP_server: the host is the text before the first "@" (the whole value when
// there is none); the port is the second "@"-separated field read as a number.
void ParseFtpServer(std::string_view value, std::string& host, std::int32_t& port);

// The levels the push walks from the login directory: "/" + FTP_root with "\"
// as "/" and no "/" at either end + "/", split at "/". The first and last
// levels are always empty (an empty root gives three empty levels).
std::vector<std::string> RemoteDirectoryLevels(std::string_view root);

}  // namespace agent::publication
