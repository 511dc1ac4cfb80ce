#pragma once
// Descriptors (handles on Windows) this process holds, to show that a
// thousand opens and closes leave none behind.
#ifdef _WIN32
#include <windows.h>
// Not to rename the environment calls of platform/environment.h.
#undef GetEnvironmentVariable
#undef SetEnvironmentVariable
#else
#include <dirent.h>
#endif

namespace apitest {

inline int OpenHandleCount() {
#ifdef _WIN32
  DWORD count = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &count);
  return static_cast<int>(count);
#else
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
#endif
}

}  // namespace apitest
