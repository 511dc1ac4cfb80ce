#include "tests/support/live_agent.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/files.h"

extern char** environ;

namespace test_support {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::string bytes;
  platform::ReadFile(path.string(), bytes);
  return bytes;
}

}  // namespace

std::string LiveAgent::Executable() {
  if (const char* path = std::getenv("TVL_BRUMALWEB"); path != nullptr && *path != '\0')
    return path;
  return TVL_BRUMALWEB_PATH;
}

LiveAgent::LiveAgent(LiveAgentOptions options) {
  if (!ftp_.running()) {
    error_ = "pyftpdlib: " + ftp_.error();
    return;
  }
  try {
    sim_ = std::make_unique<consolesim::Launcher>(
        std::vector<std::string>{"--no-pty", "--udp-port", "-1", "--http-port", "-1"});
  } catch (const std::exception& failure) {
    error_ = failure.what();
    return;
  }
  std::string pattern = (fs::temp_directory_path() / "tvl-live-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    error_ = "no temporary directory";
    return;
  }
  work_ = pattern;
  const fs::path work(work_);
  fs::create_directories(work / "site");
  fs::copy_file(fs::path(TVL_SOURCE_DIR) / "examples" / "langue.pack", work / "langue.pack");
  std::ofstream(work / "site" / "data.json") << "{\"temp_ext\": \"#TempExt#\", \"hum_ext\": "
                                                "\"#HumExt#\", \"pression\": \"#PressionAtmo#\"}\n";
  std::ofstream(work / "tvl_brumalweb.ini")
      << "[GENERAL]\nCache=#REPCOURANT#cache\nRefreshServices=" << options.refresh_seconds << "\n"
      << "[CONSOLE]\ntype=IP\nadresse=127.0.0.1@" << sim_->TcpPort() << "\nConnectionTimeout=5\n"
      << "[SERVICES]\nCurrentData=" << options.current_data_seconds
      << "\nAlarm=600\nHiLow=600\nConfigStation=3600\nCalibration=3600\n"
      << "[LOG]\nFile=#REPCOURANT#journal.log\n"
      << "[FTP]\nserver=127.0.0.1@" << ftp_.port() << "\nusername=" << ftp_.options().user
      << "\npassword=" << ftp_.options().password << "\npassive=1\n"
      << "[STREAMFILE]\ndata=#REPCOURANT#site\\data.json\n";

  const std::string program = Executable();
  const std::string output = (work / "output.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, work_.c_str());
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  // The language pack and the site marker live in the working directory.
  std::vector<std::string> variables = {"TVL_BRUMALWEB_HOME=" + work_};
  for (char** entry = environ; *entry != nullptr; ++entry)
    if (std::string(*entry).rfind("TVL_BRUMALWEB_HOME=", 0) != 0) variables.emplace_back(*entry);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::string name = program;
  char* argv[] = {name.data(), nullptr};
  pid_t child = -1;
  const int failed = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    error_ = "cannot start " + program;
    return;
  }
  pid_ = child;
}

LiveAgent::~LiveAgent() {
  Stop();
  if (!work_.empty()) {
    std::error_code ignored;
    fs::remove_all(work_, ignored);
  }
}

double LiveAgent::CpuSeconds() const {
  // /proc/PID/stat: the 14th and 15th fields, after the parenthesised name.
  const std::string stat = Slurp("/proc/" + std::to_string(pid_) + "/stat");
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  long ticks = 0;
  for (int number = 3; number <= 15 && fields >> field; ++number)
    if (number >= 14) ticks += std::atol(field.c_str());
  return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

long LiveAgent::PeakResidentKb() const {
  std::istringstream status(Slurp("/proc/" + std::to_string(pid_) + "/status"));
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

int LiveAgent::Stop() {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return status;
}

std::string LiveAgent::Output() const {
  return Slurp(fs::path(work_) / "output.txt");
}

std::string LiveAgent::Uploaded(const std::string& name) const {
  return ftp_.ReadFile(name);
}

}  // namespace test_support
