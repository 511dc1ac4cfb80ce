#pragma once
// The libraries the agent carries inside itself: the station library and the chip maker's
// two USB bridge libraries, written next to the program before the station library is opened.

#include <span>
#include <string>
#include <string_view>

#include "platform/env.h"

namespace agent {

struct CarriedLibrary {
  std::string_view file_name;            // "libOrbiskPro.so"
  std::span<const unsigned char> bytes;  // empty when the build did not produce it
};

// The carried libraries in their order of writing: libCP210xManufacturing.so, libSiUSBXp.so,
// libOrbiskPro.so.
std::span<const CarriedLibrary> CarriedLibraries();

// Writes `libraries` into `directory`, in order. A file that already holds the same bytes is
// left alone (a loaded library keeps its inode); any other is written under a temporary name
// and renamed over the target, so a process that has the old one mapped keeps running and no
// stale tail survives. A file that cannot be written is skipped (the old one stays whole); the
// first such failure is returned.
platform::FileStatus DeployLibraries(platform::Env& env, std::span<const CarriedLibrary> libraries,
                                     const std::string& directory);

}  // namespace agent
