#include <cstdio>
#include <string>
#include <string_view>

#include "agent/app/startup.h"
#include "platform/env.h"
#include "platform/service_notify.h"
#include "platform/signals.h"
#include "platform/windows_service.h"

namespace agent {
namespace {

constexpr const char* kHelp =
#ifdef _WIN32
    "Usage: tvl_brumalweb [--help | --version | --list-tags | --install-service |\n"
    "                      --remove-service]\n"
#else
    "Usage: tvl_brumalweb [--help | --version | --list-tags]\n"
#endif
    "\n"
    "Publishes the readings of a weather-station console on a web site. Run it in\n"
    "the directory that holds tvl_brumalweb.ini; it runs until "
#ifdef _WIN32
    "Ctrl-C or Ctrl-Break.\n"
#else
    "SIGTERM or SIGINT.\n"
#endif
    "\n"
    "  --help       this text\n"
    "  --version    the program's name and version\n"
    "  --list-tags  every catalogue tag with its text after start-up (user data\n"
    "               and placeholders included), one \"name = value\" a line\n"
    "\n"
#ifdef _WIN32
    "  --install-service  registers the program as the Windows service\n"
    "                     \"tvl_brumalweb\" (started with Windows, working in the\n"
    "                     program's directory)\n"
    "  --remove-service   stops and unregisters that service\n"
#endif
    "\n"
    "TVL_BRUMALWEB_HOME names the program directory (langue.pack, site marker)\n"
    "when it is not the directory of the executable.\n";

#ifdef _WIN32
constexpr const char* kServiceName = "tvl_brumalweb";
// The argument the service manager starts the program with.
constexpr const char* kServiceOption = "--service";
#endif

int RunAgent() {
  platform::BlockStopSignals();  // before any thread: they all inherit it
  Agent agent(platform::Env::Default(), AgentPaths::OfProcess(platform::Env::Default()));
  agent.SetImageHooks(FirstImageHooks(agent));
  RunStartup(agent, StartupSteps());
  ServiceNotifier notifier{platform::NotifyServiceManager, platform::WatchdogPingIntervalMs()};
  if (!RunMainLoop(agent, platform::WaitForStopSignal, notifier)) {
    // A thread is still inside the station library. Destroying the agent would
    // close the link and free the library under it, so the process ends without
    // destructors: every file the agent writes is replaced whole or appended in one
    // write, and the system releases the link only once no thread is left.
    LogMessage(agent.context(),
               "[BRUMALWEB] : Arrêt sans attendre la fin de l'appel en cours à la console.");
    platform::ExitAtOnce(0);
  }
  return 0;
}

}  // namespace

int RunProgram(int argc, char** argv) {
  if (argc > 2) {
    std::fputs(kHelp, stderr);
    return 2;
  }
  const std::string_view option = argc == 2 ? argv[1] : "";
  if (option.empty()) return RunAgent();
  if (option == "--help" || option == "-h") {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (option == "--version") {
    std::printf("tvl_brumalweb (%s) %s\n", kApplicationTitle, ApplicationVersion().c_str());
    return 0;
  }
  if (option == "--list-tags") {
    Agent agent(platform::Env::Default(), AgentPaths::OfProcess(platform::Env::Default()));
    std::fputs(ListTagsAfterStartup(agent, StartupSteps()).c_str(), stdout);
    return 0;
  }
#ifdef _WIN32
  if (option == "--install-service" || option == "--remove-service") {
    const std::string failure =
        option == "--install-service"
            ? platform::InstallService(kServiceName, kServiceName, kServiceOption)
            : platform::RemoveService(kServiceName);
    if (!failure.empty()) {
      std::fprintf(stderr, "tvl_brumalweb: %s\n", failure.c_str());
      return 1;
    }
    std::printf("tvl_brumalweb: service %s %s\n", kServiceName,
                option == "--install-service" ? "installed" : "removed");
    return 0;
  }
  if (option == kServiceOption) {
    if (platform::RunAsService(kServiceName, RunAgent)) return 0;
    std::fprintf(stderr, "tvl_brumalweb: %s is for the service manager only\n", kServiceOption);
    return 1;
  }
#endif
  std::fprintf(stderr, "tvl_brumalweb: unknown option %s\n\n%s", std::string(option).c_str(),
               kHelp);
  return 2;
}

}  // namespace agent
