#include <algorithm>

#include "platform/win32_internal.h"

namespace platform::win32 {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int count = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), count);
  return wide;
}

std::wstring WidePath(std::string_view utf8_path) {
  std::wstring wide = Widen(utf8_path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return wide;
}

std::string Narrow(const wchar_t* text, int size) {
  if (size == 0 || text == nullptr) return {};
  const int count = ::WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
  if (count <= 0) return {};
  std::string narrow(static_cast<std::size_t>(count), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, size, narrow.data(), count, nullptr, nullptr);
  if (size < 0 && !narrow.empty() && narrow.back() == '\0') narrow.pop_back();
  return narrow;
}

std::string NarrowPath(const wchar_t* text, int size) {
  std::string narrow = Narrow(text, size);
  std::replace(narrow.begin(), narrow.end(), '\\', '/');
  return narrow;
}

}  // namespace platform::win32
