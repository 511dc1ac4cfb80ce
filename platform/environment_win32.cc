#include <cstdlib>
#include <vector>

#include "platform/environment.h"
#include "platform/win32_internal.h"

namespace platform {

std::vector<std::pair<std::string, std::string>> EnvironmentVariables() {
  std::vector<std::pair<std::string, std::string>> variables;
  wchar_t* block = ::GetEnvironmentStringsW();
  if (!block) return variables;
  for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1) {
    std::string text = win32::Narrow(entry);
    // Entries such as "=C:=C:\dir" name a drive's directory, not a variable.
    std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) continue;
    variables.emplace_back(text.substr(0, equals), text.substr(equals + 1));
  }
  ::FreeEnvironmentStringsW(block);
  return variables;
}

std::optional<std::string> GetEnvironmentVariable(const std::string& name) {
  const std::wstring wide_name = win32::Widen(name);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length = ::GetEnvironmentVariableW(wide_name.c_str(), buffer.data(),
                                                   static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (length < buffer.size()) return win32::Narrow(buffer.data(), static_cast<int>(length));
    buffer.resize(length);
  }
}

void SetEnvironmentVariable(const std::string& name, const std::optional<std::string>& value) {
  const std::wstring wide_name = win32::Widen(name);
  const std::wstring wide_value = value ? win32::Widen(*value) : std::wstring();
  ::SetEnvironmentVariableW(wide_name.c_str(), value ? wide_value.c_str() : nullptr);
  // The C runtime keeps its own copy, read by getenv in libraries we link.
  ::_wputenv_s(wide_name.c_str(), value ? wide_value.c_str() : L"");
}

std::string CurrentDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return ".";
    if (length < buffer.size()) {
      std::string path = win32::NarrowPath(buffer.data(), static_cast<int>(length));
      if (path.size() > 3 && path.back() == '/') path.pop_back();
      return path;
    }
    buffer.resize(length);
  }
}

std::string OwnExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return win32::NarrowPath(buffer.data(), static_cast<int>(length));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
