#include <algorithm>

#include "platform/files.h"

namespace platform {

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  // Iterative wildcard match with one back-tracking point for the last "*".
  std::size_t n = 0, p = 0, star_p = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star_p = p++;
      star_n = n;
    } else if (star_p != std::string_view::npos) {
      p = star_p + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string NormaliseSeparators(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  if (name.empty()) return directory;
  if (directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

std::string DirectoryPart(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileNamePart(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsAbsolutePath(const std::string& path) {
  return !path.empty() && path[0] == '/';
}

}  // namespace platform
