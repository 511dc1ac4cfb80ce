#pragma once
// Helpers shared by the Windows sources of the platform layer: texts cross
// the Windows API as UTF-16, everything else in the program is UTF-8.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsock2.h>

// <windows.h> maps these names to their ...A/...W functions by macros; the
// platform layer has functions of its own by these names, and calls the W
// forms explicitly.
#undef CreateDirectory
#undef DeleteFile
#undef GetEnvironmentVariable
#undef SetEnvironmentVariable

#include <string>
#include <string_view>

namespace platform::win32 {

// Owns a handle of the system and closes it with `close` when it goes.
template <class H, auto close>
class Owned {
 public:
  explicit Owned(H handle) : handle_(handle) {}
  ~Owned() {
    if (handle_) close(handle_);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  H Get() const { return handle_; }

 private:
  H handle_;
};

// UTF-8 to UTF-16 (invalid bytes become U+FFFD).
std::wstring Widen(std::string_view utf8);
// A path for the wide API: "/" becomes "\".
std::wstring WidePath(std::string_view utf8_path);
// UTF-16 to UTF-8; `size` < 0: up to the terminating zero.
std::string Narrow(const wchar_t* text, int size = -1);
// A path from the wide API: "\" becomes "/".
std::string NarrowPath(const wchar_t* text, int size = -1);

// Sets the process's stop event, which WaitForStopSignal waits for (a
// console's Ctrl-C, the service manager's stop).
void SignalStopEvent();

}  // namespace platform::win32
