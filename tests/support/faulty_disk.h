// A disk that fails on demand, over another Env: writes, renames and directory
// creations beneath one directory (everywhere when none is named) fail the way
// a full disk, a refused rename or a read-only directory fails, and leave the
// files as they were. Switches are atomic: a test flips them while engines run.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/env.h"

namespace test_support {

class FaultyDisk final : public platform::EnvWrapper {
 public:
  explicit FaultyDisk(platform::Env& target) : EnvWrapper(target) {}

  std::atomic<bool> no_space{false};      // every write: "no space left"
  std::atomic<bool> rename_fails{false};  // renames, and so atomic replacements
  std::atomic<bool> read_only{false};     // writes and new directories: "denied"
  std::atomic<int> failed_writes{0};      // operations refused so far

  // Faults touch only paths beneath `directory` ("" for everywhere).
  void LimitTo(const std::string& directory);

  platform::FileStatus AppendToFile(const std::string& path, std::string_view data) override;
  platform::FileStatus OverwriteFromStart(const std::string& path, std::string_view data) override;
  platform::FileStatus WriteFileAtomically(const std::string& path, std::string_view data) override;
  platform::FileStatus RenameFile(const std::string& from, const std::string& to) override;
  platform::FileStatus CreateDirectory(const std::string& path) override;

 private:
  // The fault a write to `path` meets (kNone: none), counted when there is one.
  platform::FileError WriteFault(const std::string& path, bool renames);

  std::mutex mutex_;
  std::string directory_;
};

}  // namespace test_support
