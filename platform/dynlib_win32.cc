#include <utility>
#include <vector>

#include "platform/dynlib.h"
#include "platform/files.h"
#include "platform/win32_internal.h"

namespace platform {
namespace {

std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = length ? win32::Narrow(text, static_cast<int>(length)) : std::string();
  if (text) ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return "error " + std::to_string(error) + (message.empty() ? "" : ": " + message);
}

}  // namespace

// A DLL's export table holds the decorated names as they are.
std::string SymbolForDecoratedName(std::string_view decorated) {
  return std::string(decorated);
}

bool DynamicLibrary::Load(const std::string& path) {
  Unload();
  // The library's own directory is searched for the DLLs it needs (the USB bridge).
  const DWORD flags = IsAbsolutePath(path) ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
  handle_ = ::LoadLibraryExW(win32::WidePath(path).c_str(), nullptr, flags);
  if (handle_ == nullptr) {
    error_ = path + ": " + SystemMessage(::GetLastError());
    return false;
  }
  error_.clear();
  return true;
}

void DynamicLibrary::Unload() {
  if (handle_ != nullptr) {
    ::FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
  }
}

void* DynamicLibrary::FindSymbol(const std::string& name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name.c_str()));
}

std::string DirectoryContaining(const void* address) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module))
    return {};
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size())
      return DirectoryPart(win32::NarrowPath(buffer.data(), static_cast<int>(length)));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
