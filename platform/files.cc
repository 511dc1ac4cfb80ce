#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform {
namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded (a late write error).
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0644) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

FileStatus FromErrno(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return FileStatus(FileError::kNoSpace);
    case EACCES:
    case EPERM:
    case EROFS:
      return FileStatus(FileError::kDenied);
    case ENOENT:
    case ENOTDIR:
      return FileStatus(FileError::kMissing);
    default:
      return FileStatus(FileError::kOther);
  }
}

FileStatus WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return FromErrno(errno);
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

// A write and the close after it: the close may report a late write error.
FileStatus WriteAndClose(Descriptor& fd, std::string_view data) {
  FileStatus written = WriteAll(fd.Get(), data);
  if (!fd.Close() && written) return FromErrno(errno);
  return written;
}

class PosixReadableFile final : public ReadableFile {
 public:
  explicit PosixReadableFile(int fd) : fd_(fd) {}
  std::int64_t Read(char* buffer, std::size_t size) override {
    for (;;) {
      ssize_t got = ::read(fd_.Get(), buffer, size);
      if (got >= 0 || errno != EINTR) return got;
    }
  }

 private:
  Descriptor fd_;
};

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> ListEntries(const std::string& directory, const std::string& pattern,
                                     bool want_directories) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
  if (!dir) return names;
  while (struct dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!MatchesPattern(name, pattern)) continue;
    std::string full = JoinPath(directory, name);
    if (want_directories ? DirectoryExists(full) : IsRegularFile(full)) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

bool FileExists(const std::string& path) {
  return IsRegularFile(path);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool ReadFile(const std::string& path, std::string& out) {
  Descriptor fd(OpenRetrying(path, O_RDONLY));
  if (!fd.ok()) {
    out.clear();
    return false;
  }
  // A regular file is read into one allocation of its size; growing the text
  // piece by piece costs more than the read itself on a large template. Files
  // whose size says nothing (/proc entries) or that grow while read go on in
  // pieces after it. The size is set from what `out` held, not from empty:
  // a buffer kept from the last read is written over, only its growth
  // zero-filled.
  struct stat st {};
  std::size_t filled = 0;
  if (::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    out.resize(static_cast<std::size_t>(st.st_size));
  } else {
    out.clear();
  }
  while (filled < out.size()) {
    ssize_t got = ::read(fd.Get(), out.data() + filled, out.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      out.clear();
      return false;
    }
    if (got == 0) {
      out.resize(filled);  // the file shrank while read
      return true;
    }
    filled += static_cast<std::size_t>(got);
  }
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      out.clear();
      return false;
    }
    if (got == 0) return true;
    out.append(buffer, static_cast<std::size_t>(got));
  }
}

std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) {
  int fd = OpenRetrying(path, O_RDONLY);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixReadableFile>(fd);
}

FileStatus AppendToFile(const std::string& path, std::string_view data) {
  Descriptor fd(OpenRetrying(path, O_WRONLY | O_CREAT | O_APPEND));
  if (!fd.ok()) return FromErrno(errno);
  return WriteAndClose(fd, data);
}

FileStatus OverwriteFromStart(const std::string& path, std::string_view data) {
  Descriptor fd(OpenRetrying(path, O_WRONLY | O_CREAT));
  if (!fd.ok()) return FromErrno(errno);
  return WriteAndClose(fd, data);
}

FileStatus WriteFileAtomically(const std::string& path, std::string_view data) {
  std::string directory = DirectoryPart(path);
  std::string temporary = JoinPath(
      directory, "." + FileNamePart(path) + ".tmp" + std::to_string(::getpid()) + "XXXXXX");
  int raw = ::mkstemp(temporary.data());
  if (raw < 0) return FromErrno(errno);
  Descriptor fd(raw);
  FileStatus status = WriteAll(fd.Get(), data);
  if (status && ::fchmod(fd.Get(), 0644) != 0) status = FromErrno(errno);
  if (!fd.Close() && status) status = FromErrno(errno);
  if (status && ::rename(temporary.c_str(), path.c_str()) != 0) status = FromErrno(errno);
  // A failed write never leaves its partial copy behind, nor touches the target.
  if (!status) ::unlink(temporary.c_str());
  return status;
}

FileStatus RenameFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return {};
  return FromErrno(errno);
}

bool DeleteFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

FileStatus CreateDirectory(const std::string& path) {
  if (path.empty() || ::mkdir(path.c_str(), 0755) == 0) return {};
  if (errno == EEXIST) return DirectoryExists(path) ? FileStatus() : FileStatus(FileError::kOther);
  return FromErrno(errno);
}

std::vector<std::string> ListDirectory(const std::string& directory, const std::string& pattern) {
  return ListEntries(directory, pattern, false);
}

std::vector<std::string> ListSubdirectories(const std::string& directory,
                                            const std::string& pattern) {
  return ListEntries(directory, pattern, true);
}

std::string MakeTemporaryDirectory(const std::string& prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = JoinPath(base && *base ? base : "/tmp", prefix + "XXXXXX");
  if (!::mkdtemp(pattern.data())) return {};
  return pattern;
}

bool RemoveTree(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (S_ISDIR(st.st_mode)) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return false;
    std::vector<std::string> names;
    while (struct dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    bool ok = true;
    for (const std::string& name : names) ok = RemoveTree(JoinPath(path, name)) && ok;
    return ::rmdir(path.c_str()) == 0 && ok;
  }
  return ::unlink(path.c_str()) == 0;
}

}  // namespace platform
