#pragma once

#include <functional>
#include <string>

#include "agent/acquisition/station_library.h"

namespace agent {

// File name of the station library on this platform.
#ifdef _WIN32
inline constexpr const char* kStationLibraryFile = "OrbiskPro.dll";
#else
inline constexpr const char* kStationLibraryFile = "libOrbiskPro.so";
#endif

struct LibraryPlaces {
  std::string working_directory;  // searched first
  std::string program_directory;  // then this; then the system's loader path
};

// Opens the station library once for the life of the process: writes the carried libraries
// (`deploy`), then loads the first of working directory, program directory and loader path
// that works. Returns 1 when the library is open, else 0.
int OpenStationLibrary(StationLibrary& library, const LibraryPlaces& places,
                       const std::function<void()>& deploy);

}  // namespace agent
