// Loading shared libraries by file name and finding their exports by name.
//
// Exports of the station library are named by their decorated form
// ("_InitStation_O@0"). An ELF symbol cannot hold "@" (the linker reads it as
// a symbol version), so the library's symbols carry "$" instead; FindExport
// makes that substitution, callers always pass the decorated name.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The ELF symbol that stands for a decorated export name: "@" becomes "$".
std::string SymbolForDecoratedName(std::string_view decorated);

// One loaded shared library; unloaded when the object goes.
class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Loads the library at `path` (a bare name searches the loader path only).
  // On failure returns false and keeps the loader's message for Error().
  bool Load(const std::string& path);
  void Unload();
  bool IsLoaded() const { return handle_ != nullptr; }

  // Address of the export with decorated name `decorated`, or null.
  void* FindExport(std::string_view decorated) const;
  // Address of a plain (undecorated) symbol, or null.
  void* FindSymbol(const std::string& name) const;

  const std::string& Error() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// Directory (without trailing "/") of the shared object or program that
// contains `address`; empty when it cannot be told.
std::string DirectoryContaining(const void* address);

}  // namespace platform
