// The agent under a service manager: the notify protocol over a datagram
// socket of the test's own, the watchdog pings, and a stop that does not wait
// for the engines' long pauses.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "agent/app/startup.h"
#include "platform/env.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A unix datagram socket standing in for systemd's notify socket.
class NotifySocket {
 public:
  explicit NotifySocket(const std::string& path) : path_(path) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  ~NotifySocket() {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  // The next message, or "" when none came within `ms`.
  std::string Receive(int ms) {
    timeval timeout{ms / 1000, (ms % 1000) * 1000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char buffer[256];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }

 private:
  std::string path_;
  int fd_ = -1;
};

// The agent binary, started in an empty working directory (no configuration:
// it runs its engines with empty settings and publishes nothing).
class AgentProcess {
 public:
  AgentProcess(const std::string& directory, std::vector<std::string> extra_environment) {
    std::vector<std::string> environment(extra_environment);
    for (char** entry = environ; *entry != nullptr; ++entry) {
      std::string text(*entry);
      if (text.rfind("NOTIFY_SOCKET=", 0) != 0 && text.rfind("WATCHDOG_", 0) != 0)
        environment.push_back(text);
    }
    std::vector<char*> envp;
    for (std::string& text : environment) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::string program = TVL_AGENT_PATH;
    char* argv[] = {program.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    EXPECT_EQ(posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
  }
  ~AgentProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  void Terminate() { ::kill(pid_, SIGTERM); }
  // Exit code once the process ended within `ms`, else -1.
  int WaitExit(int ms) {
    const auto start = Clock::now();
    while (MsSince(start) < ms) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      ::usleep(10000);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
};

class ServiceNotification : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ =
        std::filesystem::temp_directory_path() / ("tvl_service_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }
  std::filesystem::path directory_;
};

TEST_F(ServiceNotification, ReadyThenWatchdogPingsThenStoppingOnSigterm) {
  const std::string socket_path = (directory_ / "notify").string();
  NotifySocket manager(socket_path);
  // Pings are due at least once per half interval: 1000 ms here.
  AgentProcess agent(directory_.string(),
                     {"NOTIFY_SOCKET=" + socket_path, "WATCHDOG_USEC=2000000"});

  ASSERT_EQ(manager.Receive(10000), "READY=1");
  auto last = Clock::now();
  for (int ping = 0; ping < 4; ++ping) {
    ASSERT_EQ(manager.Receive(2000), "WATCHDOG=1") << "ping " << ping;
    EXPECT_LE(MsSince(last), 1000) << "ping " << ping;
    last = Clock::now();
  }

  agent.Terminate();
  std::string message;
  do message = manager.Receive(3000);
  while (message == "WATCHDOG=1");
  EXPECT_EQ(message, "STOPPING=1");
  EXPECT_EQ(agent.WaitExit(3000), 0);
}

// What the main loop sends, with a waiter that plays the clock.
class MainLoopNotifier : public ::testing::Test {
 protected:
  platform::FakeClock clock_;
  agent::Agent agent_{clock_, agent::AgentPaths{"/tmp", "/tmp", "/tmp/tvl_brumalweb"}};
  std::vector<std::string> sent_;
  agent::ServiceNotifier notifier_{[this](std::string_view state) { sent_.emplace_back(state); },
                                   300};
};

TEST_F(MainLoopNotifier, PingsWhileEnginesLiveAndStopsPingingWhenOneDies) {
  std::atomic<bool> die{false};
  agent_.StartWorker([&die](agent::AgentContext& context) {
    while (!die && context.Sleep(1)) {
    }
  });
  int waits = 0;
  agent::RunMainLoop(
      agent_,
      [&](std::int64_t ms) {
        EXPECT_EQ(ms, 300);
        if (++waits == 3) {
          die = true;  // the engine's loop ends without a stop request
          while (agent_.WorkersAlive()) std::this_thread::yield();
        }
        return waits == 5;
      },
      notifier_);
  EXPECT_EQ(sent_, (std::vector<std::string>{"READY=1", "WATCHDOG=1", "WATCHDOG=1", "STOPPING=1"}));
}

TEST_F(MainLoopNotifier, WithoutAWatchdogTheLoopWaitsTwoSecondsAndNeverPings) {
  notifier_.watchdog_ping_ms = 0;
  int waits = 0;
  agent::RunMainLoop(
      agent_,
      [&](std::int64_t ms) {
        EXPECT_EQ(ms, 2000);
        return ++waits == 3;
      },
      notifier_);
  EXPECT_EQ(sent_, (std::vector<std::string>{"READY=1", "STOPPING=1"}));
}

TEST(PromptStop, AStopRequestEndsALongEngineSleepOnTheRealClock) {
  agent::Agent agent(platform::Env::Default(),
                     agent::AgentPaths{"/tmp", "/tmp", "/tmp/tvl_brumalweb"});
  std::atomic<bool> sleeping{false};
  agent.StartWorker([&sleeping](agent::AgentContext& context) {
    sleeping = true;
    while (context.Sleep(60000)) {
    }
  });
  while (!sleeping) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // well inside the pause
  const auto start = Clock::now();
  agent.StopAndJoinWorkers();
  EXPECT_LT(MsSince(start), 500);
}

}  // namespace
