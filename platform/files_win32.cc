#include <algorithm>
#include <string>

#include "platform/files.h"
#include "platform/win32_internal.h"

namespace platform {
namespace {

using win32::WidePath;

// Closes a handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return handle_; }
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle == INVALID_HANDLE_VALUE || ::CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

// Readers and writers of our files let others read, write and rename or
// delete them meanwhile, as POSIX does.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Open(const std::string& path, DWORD access, DWORD disposition) {
  return ::CreateFileW(WidePath(path).c_str(), access, kShareAll, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

FileStatus FromError(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileStatus(FileError::kNoSpace);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return FileStatus(FileError::kDenied);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return FileStatus(FileError::kMissing);
    default:
      return FileStatus(FileError::kOther);
  }
}

FileStatus WriteAll(HANDLE handle, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(handle, data.data(), chunk, &written, nullptr))
      return FromError(::GetLastError());
    data.remove_prefix(written);
  }
  return {};
}

FileStatus WriteAndClose(Handle& handle, std::string_view data) {
  FileStatus written = WriteAll(handle.Get(), data);
  if (!handle.Close() && written) return FromError(::GetLastError());
  return written;
}

class WindowsReadableFile final : public ReadableFile {
 public:
  explicit WindowsReadableFile(HANDLE handle) : handle_(handle) {}
  std::int64_t Read(char* buffer, std::size_t size) override {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!::ReadFile(handle_.Get(), buffer, want, &got, nullptr)) return -1;
    return got;
  }

 private:
  Handle handle_;
};

DWORD Attributes(const std::string& path) {
  return ::GetFileAttributesW(WidePath(path).c_str());
}

bool IsDirectoryAttribute(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> ListEntries(const std::string& directory, const std::string& pattern,
                                     bool want_directories) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW(
      WidePath(JoinPath(directory.empty() ? "." : directory, "*")).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = win32::Narrow(found.cFileName);
    if (name == "." || name == "..") continue;
    if (!MatchesPattern(name, pattern)) continue;
    const bool is_directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (is_directory == want_directories) names.push_back(std::move(name));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  return IsDirectoryAttribute(Attributes(path));
}

std::int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ReadFile(const std::string& path, std::string& out) {
  Handle handle(Open(path, GENERIC_READ, OPEN_EXISTING));
  LARGE_INTEGER size;
  if (!handle.ok() || !::GetFileSizeEx(handle.Get(), &size)) {
    out.clear();
    return false;
  }
  // One allocation of the file's size; a file that grows meanwhile goes on in pieces.
  out.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t filled = 0;
  for (;;) {
    if (filled == out.size()) out.resize(out.size() + 65536);
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - filled, 1u << 30));
    if (!::ReadFile(handle.Get(), out.data() + filled, want, &got, nullptr)) {
      out.clear();
      return false;
    }
    if (got == 0) break;
    filled += got;
  }
  out.resize(filled);
  return true;
}

std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) {
  HANDLE handle = Open(path, GENERIC_READ, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<WindowsReadableFile>(handle);
}

FileStatus AppendToFile(const std::string& path, std::string_view data) {
  Handle handle(Open(path, FILE_APPEND_DATA, OPEN_ALWAYS));
  if (!handle.ok()) return FromError(::GetLastError());
  return WriteAndClose(handle, data);
}

FileStatus OverwriteFromStart(const std::string& path, std::string_view data) {
  Handle handle(Open(path, GENERIC_WRITE, OPEN_ALWAYS));
  if (!handle.ok()) return FromError(::GetLastError());
  return WriteAndClose(handle, data);
}

namespace {

// A rename over a file that another program holds open (a web server, an
// antivirus) fails on Windows where it succeeds on POSIX: retried a while.
constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplacePauseMs = 50;

bool ReplaceWithRetry(const std::wstring& from, const std::wstring& to, DWORD* error) {
  for (int attempt = 0;; ++attempt) {
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    *error = ::GetLastError();
    const bool held = *error == ERROR_ACCESS_DENIED || *error == ERROR_SHARING_VIOLATION ||
                      *error == ERROR_LOCK_VIOLATION;
    if (!held || attempt + 1 >= kReplaceAttempts) return false;
    ::Sleep(kReplacePauseMs);
  }
}

}  // namespace

FileStatus WriteFileAtomically(const std::string& path, std::string_view data) {
  const std::string temporary =
      JoinPath(DirectoryPart(path), "." + FileNamePart(path) + ".tmp" +
                                        std::to_string(::GetCurrentProcessId()) + "-" +
                                        std::to_string(::GetCurrentThreadId()));
  const std::wstring wide_temporary = WidePath(temporary);
  Handle handle(::CreateFileW(wide_temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.ok()) return FromError(::GetLastError());
  FileStatus status = WriteAll(handle.Get(), data);
  if (!handle.Close() && status) status = FromError(::GetLastError());
  DWORD error = 0;
  if (status && !ReplaceWithRetry(wide_temporary, WidePath(path), &error))
    status = FromError(error);
  // A failed write never leaves its partial copy behind, nor touches the target.
  if (!status) ::DeleteFileW(wide_temporary.c_str());
  return status;
}

FileStatus RenameFile(const std::string& from, const std::string& to) {
  DWORD error = 0;
  if (ReplaceWithRetry(WidePath(from), WidePath(to), &error)) return {};
  return FromError(error);
}

bool DeleteFile(const std::string& path) {
  return ::DeleteFileW(WidePath(path).c_str()) != 0;
}

FileStatus CreateDirectory(const std::string& path) {
  if (path.empty() || ::CreateDirectoryW(WidePath(path).c_str(), nullptr)) return {};
  const DWORD error = ::GetLastError();
  if (error == ERROR_ALREADY_EXISTS)
    return DirectoryExists(path) ? FileStatus() : FileStatus(FileError::kOther);
  return FromError(error);
}

std::vector<std::string> ListDirectory(const std::string& directory, const std::string& pattern) {
  return ListEntries(directory, pattern, false);
}

std::vector<std::string> ListSubdirectories(const std::string& directory,
                                            const std::string& pattern) {
  return ListEntries(directory, pattern, true);
}

std::string MakeTemporaryDirectory(const std::string& prefix) {
  wchar_t base[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
  if (length == 0 || length > MAX_PATH) return {};
  std::string directory = win32::NarrowPath(base, static_cast<int>(length));
  while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string path =
        JoinPath(directory, prefix + std::to_string(::GetCurrentProcessId()) + "-" +
                                std::to_string(::GetTickCount() + attempt));
    if (::CreateDirectoryW(WidePath(path).c_str(), nullptr)) return path;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

bool RemoveTree(const std::string& path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    bool ok = true;
    for (const std::string& name : ListEntries(path, "*", false))
      ok = RemoveTree(JoinPath(path, name)) && ok;
    for (const std::string& name : ListEntries(path, "*", true))
      ok = RemoveTree(JoinPath(path, name)) && ok;
    return ::RemoveDirectoryW(WidePath(path).c_str()) != 0 && ok;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryW(WidePath(path).c_str()) != 0;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    ::SetFileAttributesW(WidePath(path).c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  return ::DeleteFileW(WidePath(path).c_str()) != 0;
}

}  // namespace platform
