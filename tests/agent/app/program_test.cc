// The real program: started in a prepared working directory, stopped by pid
// with SIGTERM once its journal shows that start-up has run.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/agent/core/agent_fixture.h"
#include "tests/support/scripted_ftp_server.h"
#include "tools/console-sim/launcher.h"

extern char** environ;

namespace {

class Program : public AgentFixture {
 protected:
  // Runs the agent with `args` in the working directory, its stdout and stderr
  // into `output` when given; returns its pid.
  pid_t Start(std::vector<std::string> args, const std::string& output = "") {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    if (!output.empty())
      posix_spawn_file_actions_addopen(&actions, 1, Path(output).c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!output.empty()) posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    std::string program = TVL_BRUMALWEB_PATH;
    argv.push_back(program.data());
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0);
    return pid;
  }
  // Waits for the child to end; its exit code, or -1 when it ended by a signal.
  int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // SIGTERM, then the exit code if the program ended within 2 s (it is killed
  // otherwise, and -2 returned).
  int StopWithin2s(pid_t pid) {
    kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        Wait(pid);
        return -2;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Polls (a few ms at a time, at most 10 s) until `file` holds `text`.
  bool WaitForText(const std::string& file, const std::string& text) {
    for (int i = 0; i < 2000; ++i) {
      if (Read(file).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
};

TEST_F(Program, StartsWritesItsJournalAndStopsCleanlyOnSigterm) {
  Write("tvl_brumalweb.ini", "[LOG]\nFile=logs\\journal.csv\nType=csv\n");
  pid_t pid = Start({});
  ASSERT_GT(pid, 0);
  bool ready = WaitForText("logs/journal.csv", "Pas de données utilisateurs à ajouter.");
  kill(pid, SIGTERM);
  EXPECT_EQ(Wait(pid), 0);
  ASSERT_TRUE(ready);
  EXPECT_NE(
      Read("logs/journal.csv").find(";0;[BRUMALWEB] : Pas de données utilisateurs à ajouter.\r\n"),
      std::string::npos);
}

// The stop does not wait for a server that took a file and never answers:
// the program is gone at once, the synchronisation marker is not written, and
// the next start sends the site again.
TEST_F(Program, SigtermEndsItAtOnceWhileTheFtpServerIsSilentAndTheNextStartResends) {
  setenv("TVL_BRUMALWEB_HOME", dir_.c_str(), 1);  // the marker goes to the test's directory
  platform::CreateDirectory(Path("site"));
  Write("site/index.htm", "page");
  auto configure = [this](std::uint16_t port) {
    Write("tvl_brumalweb.ini", "[LOG]\nFile=journal.csv\nType=csv\n[FTP]\nserver=127.0.0.1@" +
                                   std::to_string(port) +
                                   "\nusername=meteo\npassword=s3cret\npassive=1\n"
                                   "LocalRepository=" +
                                   Path("site") + "\n");
  };
  {
    test_support::ScriptedFtpOptions options;
    options.silent_after_data = true;
    test_support::ScriptedFtpServer silent(options);
    configure(silent.port());
    pid_t pid = Start({});
    ASSERT_GT(pid, 0);
    bool sent = false;
    for (int i = 0; i < 2000 && !sent; ++i) {
      sent = !silent.files().empty();  // the first queued file
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(StopWithin2s(pid), 0);
    ASSERT_TRUE(sent);
  }
  EXPECT_FALSE(platform::FileExists(Path("SyncRepositoryFTP.brumalweb")));

  test_support::ScriptedFtpServer sound;
  configure(sound.port());
  pid_t pid = Start({});
  bool synchronised = WaitForText("journal.csv", "Création du fichier indice.");
  EXPECT_EQ(StopWithin2s(pid), 0);
  unsetenv("TVL_BRUMALWEB_HOME");
  EXPECT_TRUE(synchronised);
  EXPECT_EQ(sound.files().count("index.htm"), 1u);
}

// A console that answers no command holds the station library in its
// initialisation: the program does not wait for the library's own time-out.
TEST_F(Program, SigtermEndsItAtOnceWhileASilentConsoleIsInitialised) {
  consolesim::Launcher console;
  console.Control({{"cmd", "fault"}, {"name", "silent"}, {"count", -1}});
  Write("tvl_brumalweb.ini",
        "[LOG]\nFile=journal.csv\nType=csv\n[CONSOLE]\ntype=IP\nadresse=127.0.0.1@" +
            std::to_string(console.TcpPort()) +
            "\nConnectionTimeout=30\n[SERVICES]\nCurrentData=10\n");
  pid_t pid = Start({});
  ASSERT_GT(pid, 0);
  bool connecting = WaitForText("journal.csv", "Tentative de connexion");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // well inside the initialisation
  EXPECT_EQ(StopWithin2s(pid), 0);
  ASSERT_TRUE(connecting);
  EXPECT_EQ(Read("journal.csv").find("Impossible de se connecter"), std::string::npos);
}

// The history store after a SIGKILL in the middle of a download: intact, every committed record
// kept, and the next start stores the rest once.
TEST_F(Program, AKillDuringAnArchiveDownloadLosesNothingCommitted) {
  consolesim::Launcher console({"--history-days", "1"});
  Write("tvl_brumalweb.ini",
        "[LOG]\nFile=journal.csv\nType=csv\n[CONSOLE]\ntype=IP\nadresse=127.0.0.1@" +
            std::to_string(console.TcpPort()) +
            "\n[SERVICES]\nArchive=300\n[ARCHIVE]\nDatabase=" + Path("archive.sqlite") + "\n");
  const auto stored = [this](const char* sql) {
    sqlite3* db = nullptr;
    std::string answer;
    if (sqlite3_open_v2(Path("archive.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK)
      sqlite3_exec(
          db, sql,
          [](void* out, int, char** values, char**) {
            *static_cast<std::string*>(out) = values[0] ? values[0] : "";
            return 0;
          },
          &answer, nullptr);
    sqlite3_close(db);
    return answer;
  };
  const auto run_until = [this](const std::string& text) {
    const pid_t pid = Start({});
    const bool seen = WaitForText("journal.csv", text);
    EXPECT_EQ(StopWithin2s(pid), 0);
    return seen;
  };
  // The console's weather stands still between the steps, so that no record comes on its own.
  const auto freeze = [&console](bool on) { console.Control({{"cmd", "freeze"}, {"on", on}}); };
  const auto held = [&console] {
    return std::to_string(console.Control({{"cmd", "archive_count"}})["count"].get<int>());
  };
  freeze(true);
  ASSERT_TRUE(run_until("enregistrement(s) ajouté(s)"));
  const std::string first = stored("SELECT count(*) FROM archive");
  EXPECT_EQ(first, held());  // a day: 288 records, 289 if a period ended meanwhile
  EXPECT_GE(std::stoi(first), 288);

  freeze(false);
  console.Control({{"cmd", "time"}, {"advance", 86400}});  // a day of new records
  freeze(true);
  console.Control({{"cmd", "fault"}, {"name", "baud"}, {"rate", 9600}});
  std::remove(Path("journal.csv").c_str());
  const pid_t pid = Start({});
  ASSERT_TRUE(WaitForText("journal.csv", "[MoteurRecupDonnees] : Archive"));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // pages are arriving
  kill(pid, SIGKILL);
  Wait(pid);
  EXPECT_EQ(stored("PRAGMA integrity_check"), "ok");
  EXPECT_EQ(stored("SELECT count(*) FROM archive"), first);

  console.Control({{"cmd", "fault"}, {"name", "baud"}, {"rate", 0}});
  ASSERT_TRUE(run_until("enregistrement(s) ajouté(s)"));
  const std::string all = held();
  EXPECT_GE(std::stoi(all), std::stoi(first) + 288);
  EXPECT_EQ(stored("SELECT count(*) FROM archive"), all);
  EXPECT_EQ(stored("SELECT count(DISTINCT local_time) FROM archive"), all);
}

TEST_F(Program, ListsTagsAndExits) {
  Write("tvl_brumalweb.ini", "[USERDATA]\nVille=Brest\n");
  pid_t pid = Start({"--list-tags"}, "tags.txt");
  EXPECT_EQ(Wait(pid), 0);
  std::string tags = Read("tags.txt");
  EXPECT_NE(tags.find("TitreApplicationGlobal = Tavrel Brumalis WEB v1.0\n"), std::string::npos);
  EXPECT_NE(tags.find("Ville = Brest\n"), std::string::npos);
}

TEST_F(Program, VersionHelpAndUnknownOptions) {
  EXPECT_EQ(Wait(Start({"--version"}, "version.txt")), 0);
  EXPECT_EQ(Read("version.txt"), "tvl_brumalweb (Tavrel Brumalis WEB) 1.0\n");
  EXPECT_EQ(Wait(Start({"--help"}, "help.txt")), 0);
  EXPECT_NE(Read("help.txt").find("--list-tags"), std::string::npos);
  EXPECT_EQ(Wait(Start({"--bogus"}, "bogus.txt")), 2);
}

}  // namespace
