#include "tests/support/faulty_disk.h"

namespace test_support {

using platform::FileError;
using platform::FileStatus;

void FaultyDisk::LimitTo(const std::string& directory) {
  std::lock_guard<std::mutex> lock(mutex_);
  directory_ = directory;
}

FileError FaultyDisk::WriteFault(const std::string& path, bool renames) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!directory_.empty() && path.rfind(directory_ + "/", 0) != 0) return FileError::kNone;
  }
  FileError fault = FileError::kNone;
  if (no_space)
    fault = FileError::kNoSpace;
  else if (read_only)
    fault = FileError::kDenied;
  else if (renames && rename_fails)
    fault = FileError::kOther;
  if (fault != FileError::kNone) ++failed_writes;
  return fault;
}

FileStatus FaultyDisk::AppendToFile(const std::string& path, std::string_view data) {
  const FileError fault = WriteFault(path, false);
  return fault == FileError::kNone ? EnvWrapper::AppendToFile(path, data) : FileStatus(fault);
}

FileStatus FaultyDisk::OverwriteFromStart(const std::string& path, std::string_view data) {
  const FileError fault = WriteFault(path, false);
  return fault == FileError::kNone ? EnvWrapper::OverwriteFromStart(path, data) : FileStatus(fault);
}

FileStatus FaultyDisk::WriteFileAtomically(const std::string& path, std::string_view data) {
  const FileError fault = WriteFault(path, true);
  return fault == FileError::kNone ? EnvWrapper::WriteFileAtomically(path, data)
                                   : FileStatus(fault);
}

FileStatus FaultyDisk::RenameFile(const std::string& from, const std::string& to) {
  const FileError fault = WriteFault(to, true);
  return fault == FileError::kNone ? EnvWrapper::RenameFile(from, to) : FileStatus(fault);
}

FileStatus FaultyDisk::CreateDirectory(const std::string& path) {
  if (target().DirectoryExists(path)) return {};
  const FileError fault = WriteFault(path, false);
  return fault == FileError::kNone ? EnvWrapper::CreateDirectory(path) : FileStatus(fault);
}

}  // namespace test_support
