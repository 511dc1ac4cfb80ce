#include "agent/acquisition/carried_libraries.h"

#include <vector>

#include "agent/acquisition/embedded_libraries.h"
#include "platform/env.h"

namespace agent {

std::span<const CarriedLibrary> CarriedLibraries() {
  static const std::vector<CarriedLibrary> kLibraries = [] {
    std::vector<CarriedLibrary> list;
    for (const carried::EmbeddedFile& file : carried::EmbeddedFiles()) {
      list.push_back(CarriedLibrary{file.name, file.bytes});
    }
    return list;
  }();
  return kLibraries;
}

platform::FileStatus DeployLibraries(platform::Env& env, std::span<const CarriedLibrary> libraries,
                                     const std::string& directory) {
  platform::FileStatus first_failure;
  for (const CarriedLibrary& library : libraries) {
    if (library.bytes.empty()) continue;
    std::string path = platform::JoinPath(directory, std::string(library.file_name));
    std::string_view bytes(reinterpret_cast<const char*>(library.bytes.data()),
                           library.bytes.size());
    std::string existing;
    if (env.FileSize(path) == static_cast<std::int64_t>(bytes.size()) &&
        env.ReadFile(path, existing) && existing == bytes) {
      continue;
    }
    platform::FileStatus written = env.WriteFileAtomically(path, bytes);
    if (!written && first_failure) first_failure = written;
  }
  return first_failure;
}

}  // namespace agent
