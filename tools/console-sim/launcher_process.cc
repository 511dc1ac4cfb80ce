// The simulator as a child process of the test.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "tools/console-sim/launcher.h"

namespace consolesim {
namespace {

constexpr auto kPollStep = std::chrono::milliseconds(5);
constexpr auto kStopWait = std::chrono::seconds(5);

bool Reaped(pid_t pid, std::chrono::milliseconds within) {
  const auto end = std::chrono::steady_clock::now() + within;
  do {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) return true;
    std::this_thread::sleep_for(kPollStep);
  } while (std::chrono::steady_clock::now() < end);
  return false;
}

// $CONSOLE_SIM, else the built program.
std::string Executable() {
  if (const char* path = std::getenv("CONSOLE_SIM"); path != nullptr && *path != '\0') return path;
  return CONSOLESIM_EXECUTABLE;
}

}  // namespace

Launcher::Launcher(std::vector<std::string> arguments, std::chrono::milliseconds deadline) {
  char pattern[] = "/tmp/console-sim-XXXXXX";
  if (::mkdtemp(pattern) == nullptr)
    throw std::runtime_error("console-sim launcher: no temporary directory");
  directory_ = pattern;
  const std::string ready_file = directory_ + "/ready.json";
  const std::string program = Executable();
  std::vector<std::string> args = {program, "--ready-file", ready_file};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("console-sim launcher: fork failed");
  if (pid_ == 0) {
    // A test that crashes before its destructor runs takes the simulator with it.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) std::_Exit(127);
    ::close_range(3, ~0U, 0);  // the test's own sockets and files stay with the test
    ::execv(program.c_str(), argv.data());
    std::_Exit(127);
  }
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!std::filesystem::exists(ready_file)) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      Stop();
      throw std::runtime_error("console-sim exited before it was ready: " + program);
    }
    if (std::chrono::steady_clock::now() > end) {
      Stop();
      throw std::runtime_error("console-sim not ready in time");
    }
    std::this_thread::sleep_for(kPollStep);
  }
  std::ifstream in(ready_file);
  ready_ = nlohmann::json::parse(in, nullptr, false);
  if (ready_.is_discarded()) {
    Stop();
    throw std::runtime_error("console-sim wrote an unreadable ready file");
  }
}

void Launcher::Stop() {
  control_.Close();
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    if (!Reaped(pid_, kStopWait)) {
      ::kill(pid_, SIGKILL);
      Reaped(pid_, kStopWait);
    }
    pid_ = -1;
  }
  if (!directory_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
    directory_.clear();
  }
}

}  // namespace consolesim
