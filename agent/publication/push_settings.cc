#include "agent/publication/push_settings.h"

#include "agent/core/configuration.h"

namespace agent::publication {

void ParseFtpServer(std::string_view value, std::string& host, std::int32_t& port) {
  const std::size_t at = value.find('@');
  host = std::string(value.substr(0, at));
  port = 0;
  if (at == std::string_view::npos) return;
  std::string_view rest = value.substr(at + 1);
  port = ParseSettingInt32(rest.substr(0, rest.find('@')));
}

PushSettings PushSettings::FromConfiguration(const AgentContext& context) {
  PushSettings settings;
  ParseFtpServer(context.Setting("FTP", "server"), settings.host, settings.port);
  settings.user = context.Setting("FTP", "username");
  settings.password = context.Setting("FTP", "password");
  settings.passive = context.SettingNumber("FTP", "passive");
  settings.root = context.Setting("FTP", "root");
  settings.tls = context.SettingNumber("FTP", "tls");
  settings.tls_verify = context.Setting("FTP", "tls_verify").empty() ||
                        context.SettingNumber("FTP", "tls_verify") != 0;
  settings.tls_ca_file = context.Setting("FTP", "tls_ca");
  settings.timeout_seconds = context.SettingNumber("FTP", "timeout");
  return settings;
}

std::vector<std::string> RemoteDirectoryLevels(std::string_view root) {
  std::string trimmed(root);
  for (char& c : trimmed)
    if (c == '\\') c = '/';
  const std::size_t first = trimmed.find_first_not_of('/');
  trimmed = first == std::string::npos
                ? ""
                : trimmed.substr(first, trimmed.find_last_not_of('/') - first + 1);
  const std::string path = "/" + trimmed + "/";

  std::vector<std::string> levels;
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) {
      levels.push_back(path.substr(start));
      return levels;
    }
    levels.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
}

}  // namespace agent::publication
