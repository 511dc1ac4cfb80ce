#include <cstdio>

#include "platform/signals.h"
#include "platform/win32_internal.h"

namespace platform {
namespace {

// The console's stop events (Ctrl-C, Ctrl-Break, its window closed, the
// session ending) arrive on a thread of their own: they set one process-wide
// event, which the main thread waits for as it waits for SIGTERM on POSIX.
HANDLE StopEvent() {
  static HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

BOOL WINAPI OnConsoleEvent(DWORD type) {
  ::SetEvent(StopEvent());
  // For a closed window or a session's end the system ends the process as
  // soon as this returns: give the main thread its few seconds to stop cleanly.
  if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
    ::Sleep(4000);
  return TRUE;
}

}  // namespace

void win32::SignalStopEvent() {
  ::SetEvent(StopEvent());
}

void BlockStopSignals() {
  StopEvent();
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool WaitForStopSignal(std::int64_t ms) {
  if (ms < 0) ms = 0;
  return ::WaitForSingleObject(StopEvent(), static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

void ExitAtOnce(int code) {
  std::fflush(nullptr);
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(code));
  for (;;) ::Sleep(INFINITE);
}

}  // namespace platform
