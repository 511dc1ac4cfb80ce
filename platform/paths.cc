#include <algorithm>

#include "platform/env.h"
#include "platform/environment.h"
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
#ifdef _WIN32
  // "C:/..." or "C:\..." (a bare "C:x" is relative to that drive's directory).
  if (path.size() >= 3 && path[1] == ':' && (path[2] == '/' || path[2] == '\\')) return true;
  if (!path.empty() && path[0] == '\\') return true;
#endif
  return !path.empty() && path[0] == '/';
}

ByteOrderMark DetectByteOrderMark(std::string_view bytes, std::size_t* length) {
  auto starts = [&bytes](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
  ByteOrderMark mark = ByteOrderMark::kNone;
  std::size_t size = 0;
  if (starts("\xEF\xBB\xBF")) {
    mark = ByteOrderMark::kUtf8;
    size = 3;
  } else if (starts("\xFF\xFE")) {
    mark = ByteOrderMark::kUtf16Le;
    size = 2;
  } else if (starts("\xFE\xFF")) {
    mark = ByteOrderMark::kUtf16Be;
    size = 2;
  }
  if (length) *length = size;
  return mark;
}

std::string ProgramDirectory(Env& env) {
  if (auto home = env.GetEnvironmentVariable("TVL_BRUMALWEB_HOME"); home && !home->empty()) {
    std::string path = NormaliseSeparators(*home);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
  }
  std::string directory = DirectoryPart(env.ProgramPath());
  return directory.empty() ? env.CurrentDirectory() : directory;
}

}  // namespace platform
