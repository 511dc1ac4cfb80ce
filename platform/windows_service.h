#pragma once
// The program as a Windows service: installed and removed by the program
// itself, and run under the service manager, whose stop request ends it as
// Ctrl-C does in a console.
#ifdef _WIN32

#include <functional>
#include <string>

namespace platform {

// Registers the running program as the service `name`, started automatically
// with `arguments`. "" on success, else the reason.
std::string InstallService(const std::string& name, const std::string& display_name,
                           const std::string& arguments);
// Stops (when running) and unregisters the service `name`. "" or the reason.
std::string RemoveService(const std::string& name);
// Runs `body` as the service `name`: its working directory is the program's
// directory, the manager sees it running, and a stop request makes
// WaitForStopSignal return. False when the process was not started by the
// service manager.
bool RunAsService(const std::string& name, const std::function<int()>& body);

}  // namespace platform

#endif  // _WIN32
