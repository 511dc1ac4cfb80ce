#include "platform/environment.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/env.h"
#include "platform/files.h"

extern char** environ;

namespace platform {

std::vector<std::pair<std::string, std::string>> EnvironmentVariables() {
  std::vector<std::pair<std::string, std::string>> variables;
  for (char** entry = environ; entry && *entry; ++entry) {
    std::string text(*entry);
    std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) continue;
    variables.emplace_back(text.substr(0, equals), text.substr(equals + 1));
  }
  return variables;
}

std::optional<std::string> GetEnvironmentVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

void SetEnvironmentVariable(const std::string& name, const std::optional<std::string>& value) {
  if (value)
    ::setenv(name.c_str(), value->c_str(), 1);
  else
    ::unsetenv(name.c_str());
}

std::string CurrentDirectory() {
  std::vector<char> buffer(PATH_MAX + 1);
  if (!::getcwd(buffer.data(), buffer.size())) return ".";
  return std::string(buffer.data());
}

std::string OwnExecutablePath() {
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace platform
