#include "platform/windows_service.h"

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/win32_internal.h"

namespace platform {
namespace {

using ServiceHandle = win32::Owned<SC_HANDLE, ::CloseServiceHandle>;

std::string Failure(const char* what) {
  return std::string(what) + " (error " + std::to_string(::GetLastError()) + ")";
}

// The service manager calls back on threads of its own, without a context
// argument for the main function: what they share is process-wide, as the
// service itself is.
struct Running {
  std::wstring name;
  const std::function<int()>* body = nullptr;
  SERVICE_STATUS_HANDLE status_handle = nullptr;
  SERVICE_STATUS status{};
};
Running running;

void Report(DWORD state, DWORD exit_code = NO_ERROR) {
  running.status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  running.status.dwCurrentState = state;
  running.status.dwControlsAccepted =
      state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  running.status.dwWin32ExitCode = exit_code;
  // The stop takes at most a few seconds: the manager may wait that long.
  running.status.dwWaitHint = state == SERVICE_STOP_PENDING ? 10000 : 0;
  ::SetServiceStatus(running.status_handle, &running.status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
    Report(SERVICE_STOP_PENDING);
    win32::SignalStopEvent();
  }
  return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
  running.status_handle = ::RegisterServiceCtrlHandlerExW(running.name.c_str(), OnControl, nullptr);
  if (!running.status_handle) return;
  Report(SERVICE_START_PENDING);
  const std::string directory = DirectoryPart(OwnExecutablePath());
  ::SetCurrentDirectoryW(win32::WidePath(directory).c_str());
  Report(SERVICE_RUNNING);
  const int code = (*running.body)();
  Report(SERVICE_STOPPED, code == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR);
}

}  // namespace

std::string InstallService(const std::string& name, const std::string& display_name,
                           const std::string& arguments) {
  ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!manager.Get()) return Failure("the service manager cannot be opened");
  const std::wstring command =
      L"\"" + win32::WidePath(OwnExecutablePath()) + L"\" " + win32::Widen(arguments);
  ServiceHandle service(::CreateServiceW(
      manager.Get(), win32::Widen(name).c_str(), win32::Widen(display_name).c_str(),
      SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
      command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  if (!service.Get()) return Failure("the service cannot be created");
  return {};
}

std::string RemoveService(const std::string& name) {
  ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.Get()) return Failure("the service manager cannot be opened");
  ServiceHandle service(
      ::OpenServiceW(manager.Get(), win32::Widen(name).c_str(), SERVICE_STOP | DELETE));
  if (!service.Get()) return Failure("the service cannot be opened");
  SERVICE_STATUS status;
  ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
  if (!::DeleteService(service.Get())) return Failure("the service cannot be removed");
  return {};
}

bool RunAsService(const std::string& name, const std::function<int()>& body) {
  running.name = win32::Widen(name);
  running.body = &body;
  SERVICE_TABLE_ENTRYW table[] = {{running.name.data(), ServiceMain}, {nullptr, nullptr}};
  return ::StartServiceCtrlDispatcherW(table) != 0;
}

}  // namespace platform
