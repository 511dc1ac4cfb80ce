#pragma once
// Files and directories. Paths use "/"; every function takes the path as given
// (relative paths are relative to the process working directory). None throws.
// These are the real disk behind Env::Default(); the agent reaches them through
// its Env, so that tests can make them fail.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Why a write, a rename or a directory creation failed: the agent journals a
// failure by its kind.
enum class FileError : std::uint8_t { kNone, kNoSpace, kDenied, kMissing, kOther };

class FileStatus {
 public:
  FileStatus() = default;
  explicit FileStatus(FileError error) : error_(error) {}
  explicit operator bool() const { return error_ == FileError::kNone; }
  FileError error() const { return error_; }

 private:
  FileError error_ = FileError::kNone;
};

// A file read from its first byte onwards (a file sent over the network).
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Up to `size` bytes into `buffer`: the count read, 0 at the end, -1 on error.
  virtual std::int64_t Read(char* buffer, std::size_t size) = 0;
};

// --- queries ---
bool FileExists(const std::string& path);  // a regular file (or link to one)
bool DirectoryExists(const std::string& path);
// Size in bytes, or -1 when the file is absent or not a regular file.
std::int64_t FileSize(const std::string& path);

// --- whole-file reads and writes ---
// Reads the whole file into `out`; false (out emptied) when it cannot be read.
bool ReadFile(const std::string& path, std::string& out);
// The file open for reading, or null when it cannot be opened.
std::unique_ptr<ReadableFile> OpenForReading(const std::string& path);
// Opens the file for writing, creating it when absent WITHOUT truncating it,
// moves to its end and writes `data`. False when it cannot be opened or the
// write is short.
FileStatus AppendToFile(const std::string& path, std::string_view data);
// Opens-or-creates without truncation and writes `data` from the first byte:
// a longer existing file keeps its bytes beyond data.size().
FileStatus OverwriteFromStart(const std::string& path, std::string_view data);
// Writes `data` to a temporary file in the same directory, then renames it over
// `path`, so a reader sees the old or the new content, never a partial one.
FileStatus WriteFileAtomically(const std::string& path, std::string_view data);

// --- names ---
FileStatus RenameFile(const std::string& from, const std::string& to);
bool DeleteFile(const std::string& path);
// Creates one directory level; true when it exists afterwards (as a directory).
FileStatus CreateDirectory(const std::string& path);
// Names (not paths) of the regular files of `directory` that match `pattern`
// ("*" any run, "?" one character, case-sensitive), sorted by name.
std::vector<std::string> ListDirectory(const std::string& directory, const std::string& pattern);
// Same for sub-directories ("." and ".." excluded).
std::vector<std::string> ListSubdirectories(const std::string& directory,
                                            const std::string& pattern);
bool MatchesPattern(std::string_view name, std::string_view pattern);

// Creates a fresh directory "<base>/<prefix>XXXXXX" (base: TMPDIR or /tmp);
// its path, or "" on failure.
std::string MakeTemporaryDirectory(const std::string& prefix);
// Deletes a file or a directory with everything below it (links are not followed).
bool RemoveTree(const std::string& path);

// --- path texts ---
// Every "\" becomes "/".
std::string NormaliseSeparators(std::string path);
// Joins with one "/" (an empty part yields the other one).
std::string JoinPath(const std::string& directory, const std::string& name);
// Directory part without the final "/" ("" when there is none; "/" for root files).
std::string DirectoryPart(const std::string& path);
// The part after the last "/".
std::string FileNamePart(const std::string& path);
bool IsAbsolutePath(const std::string& path);

// --- byte-order mark ---
enum class ByteOrderMark { kNone, kUtf8, kUtf16Le, kUtf16Be };
// Looks at the first bytes; `length` receives the mark's size (0 for None).
ByteOrderMark DetectByteOrderMark(std::string_view bytes, std::size_t* length = nullptr);

}  // namespace platform
